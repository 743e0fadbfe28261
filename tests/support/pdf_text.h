#pragma once
// The text of a PDF file as pdftotext (poppler-utils) reads it.

#include <QString>

namespace sonavistor::test {

bool pdfToTextInstalled();
// Each page's text in reading order, pages separated by form feeds; empty
// when the file cannot be read.
QString pdfText(const QString& path);

}  // namespace sonavistor::test
