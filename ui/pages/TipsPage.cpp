#include "ui/pages/TipsPage.h"

namespace quadrel {

TipsPage::TipsPage(QWidget *parent) : QWidget(parent) {
    RichTextBox1 = new TipsBox(this);
    RichTextBox1->setObjectName("RichTextBox1");
    RichTextBox1->setOpenLinks(false);
    RichTextBox1->setHtml(tipsHtml());
    placeTwips(RichTextBox1, 120, 120, 11460, 7140);
}

QString TipsPage::tipsHtml() {
    return QStringLiteral(R"(
<h3 style="color:#901010">Before anything else</h3>
<p>Quadrel hands your problem to outside tools that live beside the program: the solver batch
<b>run-VADE</b>, the equation checker behind <b>Test it!</b>, the text viewer and the plot viewer.
Changes to the operating system (an upgrade, removed packages, moved folders, changed
permissions) can break them. If runs that used to work suddenly fail, reinstall Quadrel before
you look for a mistake in your equation.</p>

<h3>General tips</h3>
<ul>
<li>Keep your input (<tt>.ode</tt>) files in the user folder <tt>User</tt> inside the program
folder. A run works in the folder of its input file and keeps its output files there too: the
text output, the plot data and an <tt>output</tt> folder that the first run creates. The plot
file is named after the input file: <tt>Beam.ode</tt> gives <tt>beam.plt</tt>.</li>
<li>Keep file names short, without blanks or special characters. The run passes the name on a
command line without quotation marks, so a blank splits it in two.</li>
<li>Do not save over the example files (<tt>Ex*.ode</tt>); they are read-only. Open one, change
it and save it under a name of your own.</li>
<li>Save your answers (File, Save As ...) before a run; Submit asks you to when the form has
changed.</li>
<li>Press <b>Test it!</b> on page 1 after every change to the equation: it shows how your
equation was read before the solver ever sees it.</li>
</ul>

<h3>The seven solver control variables (page 4)</h3>
<p><b>Edit Defaults</b> fills in the values below for you to change; <b>Use Defaults</b> blanks
them, and the solver then uses its own defaults.</p>
<table border="1" cellspacing="0" cellpadding="3">
<tr><th>Variable</th><th>Default</th><th>Meaning</th></tr>
<tr><td>REMAX</td><td>5</td><td>Maximum number of iterations.</td></tr>
<tr><td>DETAIL</td><td>0</td><td>Detailed report every Nth iteration; 0 gives no iteration report.</td></tr>
<tr><td>STEPSLIM</td><td>100</td><td>Limit on the number of steps per iteration.</td></tr>
<tr><td>STEPOUT</td><td>5</td><td>A snapshot print every N steps.</td></tr>
<tr><td>EVALMAX</td><td>3000</td><td>Limit on the total number of model evaluations.</td></tr>
<tr><td>ACCURACY</td><td>.0001</td><td>Final convergence tolerance.</td></tr>
<tr><td>ZERO</td><td>1.E-6</td><td>Tolerance for the convergence of each iteration.</td></tr>
</table>

<h3>Improving a solution</h3>
<ul>
<li>Solve the equation as an initial value problem first. When the curve looks right, turn it
into a boundary value problem.</li>
<li>Give the parameter A a start value close to the answer you expect; the fit starts from it.</li>
<li>Spread the (X, Y) data points over the whole range you plot, and put x0 inside that range.</li>
<li>Use a smaller step Delta_x (and more plot points) where the solution bends sharply.</li>
<li>If the solver stops before it converges, raise REMAX or EVALMAX; if the result is not close
enough, lower ACCURACY. Set DETAIL to 1 to watch every iteration.</li>
<li>Use one level of parentheses only, to force an intermediate value; nested brackets are not
allowed.</li>
<li>A row of the data grid with only an X or only a Y ends the list of data points.</li>
</ul>

<h3>Running the solver from a command prompt</h3>
<p>Open a terminal in the program folder and type</p>
<p><tt>&nbsp;&nbsp;./run-VADE Beam.ode User wait</tt></p>
<p>The first argument is the input file, the second the folder that holds it, relative to the
program folder (<tt>demos</tt> for the examples), the third <tt>wait</tt> to keep the window
open when the run ends or <tt>exit</tt> to close it at once. The text output
<tt>~Quadrel.out</tt> and the plot data <tt>~4plots.plt</tt> appear in the folder of the input
file; open them with the text viewer and the plot viewer, or from the View menu.</p>
)");
}

}  // namespace quadrel
