// vetrix: the equation checker at the command prompt. The equation is the argument (several
// arguments are joined with single blanks, so quoting is optional); the listing goes to
// standard output. Exit status 0 when the equation parses, 1 when it does not.
#include "vetrix/Check.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv) {
    if (argc < 2) {
        std::fprintf(stderr, "Usage: vetrix EQUATION\n"
                             "Checks an equation such as \"Y' * Y'' = 2\" and lists how it is stored.\n");
        return 1;
    }
    std::string text = argv[1];
    for (int i = 2; i < argc; ++i) {
        text += ' ';
        text += argv[i];
    }
    const vetrix::CheckResult r = vetrix::check(text);
    std::fwrite(r.listing.data(), 1, r.listing.size(), stdout);
    return r.parsed ? 0 : 1;
}
