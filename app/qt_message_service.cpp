#include "app/qt_message_service.h"

#include <QApplication>
#include <QMessageBox>

namespace sonavistor {

namespace {

QMessageBox::Icon qtIcon(MessageIcon icon)
{
    switch (icon) {
    case MessageIcon::Information: return QMessageBox::Information;
    case MessageIcon::Warning: return QMessageBox::Warning;
    case MessageIcon::Error: return QMessageBox::Critical;
    case MessageIcon::Question: return QMessageBox::Question;
    case MessageIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

// A word too long for one line of the box (a file's path) gets places to
// break: after each separator in it, and every kLongestRun characters in a
// run without one. They are zero-width spaces, which speech skips.
constexpr int kLongestRun = 24;

QString breakableWord(QStringView word)
{
    if (word.size() <= kLongestRun)
        return word.toString();
    static const QString separators = QStringLiteral("/\\_-.,;:");
    QString out;
    int run = 0;
    for (qsizetype i = 0; i < word.size(); ++i) {
        out += word[i];
        ++run;
        if (i + 1 < word.size() && (separators.contains(word[i]) || run == kLongestRun)) {
            out += QChar(0x200B);
            run = 0;
        }
    }
    return out;
}

QString breakableText(const QString& text)
{
    QString out;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i == text.size() || text[i].isSpace()) {
            out += breakableWord(QStringView(text).mid(start, i - start));
            if (i < text.size())
                out += text[i];
            start = i + 1;
        }
    }
    return out;
}

}  // namespace

MessageButton QtMessageService::show(const MessageRequest& request)
{
    // A carriage return in the text breaks the line, as the texts expect.
    QString text = request.text;
    text.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n'));

    QMessageBox box(qtIcon(request.icon), request.caption, breakableText(text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    const std::pair<MessageButton, QMessageBox::StandardButton> buttons[] = {
        {Ok, QMessageBox::Ok}, {Yes, QMessageBox::Yes}, {No, QMessageBox::No},
        {Cancel, QMessageBox::Cancel}};
    for (const auto& [ours, theirs] : buttons) {
        if (request.buttons & ours) {
            box.addButton(theirs);
            if (request.defaultButton == ours)
                box.setDefaultButton(theirs);
        }
    }
    switch (box.exec()) {
    case QMessageBox::Ok: return Ok;
    case QMessageBox::Yes: return Yes;
    case QMessageBox::No: return No;
    case QMessageBox::Cancel: return Cancel;
    default: break;
    }
    // Closed by its close box: the answer that changes nothing.
    if (request.buttons & Cancel)
        return Cancel;
    if (request.buttons & No)
        return No;
    return Ok;
}

}  // namespace sonavistor
