#pragma once
// Print Graph: a chart and its statistics footer on one landscape page of
// the current printer, drawn as vectors at the printer's resolution,
// stretched to margins of 5 (left), 4 (top), 4 (right) and 5 (bottom)
// percent of the page; the printer's orientation is put back on every path.

#include <QStringList>

class QPrinter;

namespace sonavistor {

class LevelChart;
struct WindowContext;

// A printer that can print now: a system printer, or one that writes a PDF
// file chosen for it (Printer Setup's "print to file").
bool printerReady(const QPrinter* printer);

// Draws chart and footer lines on printer. False when printing could not
// start. A printer that prints to a PDF file replaces that file whole or not
// at all; a failed write throws Error with its reason.
bool printChart(const LevelChart& chart, const QStringList& footer, QPrinter& printer);

// The button: prints on the program's current printer; with no printer
// installed it offers a PDF file instead.
void PrintGraph(const LevelChart& chart, const QStringList& footer, const WindowContext& context);

}  // namespace sonavistor
