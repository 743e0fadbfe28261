#pragma once
// Print Graph: a chart on one landscape page of the current printer,
// stretched to margins of 5 (left), 4 (top), 4 (right) and 5 (bottom) percent
// of the page; the printer's orientation is put back on every path.

class QPrinter;
class QWidget;

namespace sonavistor {

class MessageService;

// Prints widget's picture on printer. False when printing could not start.
bool printChart(QWidget* chart, QPrinter& printer);

// The button: the program's current printer, or a message when none is installed.
void PrintGraph(QWidget* chart, QPrinter* printer, MessageService& messages);

}  // namespace sonavistor
