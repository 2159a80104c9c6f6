#!/usr/bin/python3
"""Typesets the user manual: Markdown -> HTML (python3-markdown) -> PDF (WeasyPrint).

    mkmanual.py MANUAL.md STYLE.css PICTURES_DIR OUTPUT.pdf

Pictures named in the Markdown are looked up in PICTURES_DIR. The PDF gets a title page, a
table of contents with page numbers, and an outline (bookmarks) made from the headings.
"""
import html
import sys

import markdown
import weasyprint


def toc_html(tokens, depth=1):
    """Nested list of links to the headings down to level 2, one per chapter and section."""
    items = []
    for t in tokens:
        if t["level"] > 2:
            continue
        sub = toc_html(t["children"], depth + 1) if t["children"] else ""
        items.append('<li class="toc%d"><a href="#%s">%s</a>%s</li>'
                     % (depth, t["id"], t["name"], sub))
    return "<ul>%s</ul>" % "".join(items) if items else ""


def main(argv):
    if len(argv) != 5:
        sys.stderr.write(__doc__)
        return 2
    source, style, pictures, output = argv[1:]
    with open(source, encoding="utf-8") as f:
        text = f.read()
    # The first line is the title ("% Title"), the second the subtitle.
    lines = text.split("\n")
    title = lines[0].lstrip("% ").strip()
    subtitle = lines[1].lstrip("% ").strip()
    md = markdown.Markdown(extensions=["toc", "tables", "fenced_code", "attr_list", "sane_lists",
                                       "def_list"],
                           extension_configs={"toc": {"toc_depth": "1-3"}})
    body = md.convert("\n".join(lines[2:]))
    page = """<!DOCTYPE html><html lang="en"><head><meta charset="utf-8">
<title>{title}</title><meta name="author" content="Quadrel"></head><body>
<section class="cover"><p class="cover-title">{title}</p><p class="cover-sub">{subtitle}</p></section>
<nav class="contents"><p class="contents-title">Contents</p>{toc}</nav>
{body}</body></html>""".format(title=html.escape(title), subtitle=html.escape(subtitle),
                               toc=toc_html(md.toc_tokens), body=body)
    doc = weasyprint.HTML(string=page, base_url=pictures + "/")
    doc.write_pdf(output, stylesheets=[weasyprint.CSS(filename=style)])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
