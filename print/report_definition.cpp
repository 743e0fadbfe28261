#include "print/report_definition.h"

#include "print/report_layout.h"
#include "store/reading_row.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QRegularExpression>

#include <cmath>
#include <functional>

namespace sonavistor {

namespace {

constexpr char kHeader[] = "sonavistor-report";
constexpr int kVersion = 1;
constexpr double kSmallestPaperMm = 50;
constexpr double kLargestPaperMm = 2000;
constexpr double kSmallestFontPoints = 4;
constexpr double kLargestFontPoints = 72;

struct Token {
    QString text;
    int column = 0;  // 1-based, where the token starts
    bool quoted = false;
};

struct Paper {
    const char* name;
    double width;
    double height;
};
constexpr Paper kPapers[] = {
    {"A3", 297, 420}, {"A4", 210, 297}, {"A5", 148, 210}, {"Letter", 215.9, 279.4}, {"Legal", 215.9, 355.6},
};

const char* const kFieldNames[] = {"NDate", "NTime", "MeaValue", "Weight", "RecNo"};
const char* const kPlaceholders[] = {"page", "pages", "date", "time", "company"};

class Parser {
public:
    explicit Parser(const QString& fileName) : file_(QDir::toNativeSeparators(fileName)) {}

    [[noreturn]] void fail(int line, int column, const QString& what) const
    {
        throw Error(QStringLiteral("%1, line %2, column %3: %4").arg(file_).arg(line).arg(column).arg(what));
    }
    [[noreturn]] void failFile(const QString& what) const
    {
        throw Error(QStringLiteral("%1: %2").arg(file_, what));
    }

    ReportDefinition parse(const QString& text);

private:
    std::vector<Token> tokenize(const QString& line);
    void directive(const std::vector<Token>& tokens);
    // The value of tokens[i], or a failure that says what was expected.
    const Token& arg(const std::vector<Token>& tokens, size_t i, const QString& expected);
    QString text(const std::vector<Token>& tokens, size_t i);
    double number(const std::vector<Token>& tokens, size_t i, const QString& what);
    void noMore(const std::vector<Token>& tokens, size_t count);
    void checkPlaceholders(const Token& token);
    void checkWhole();

    QString file_;
    int line_ = 0;
    int lineLength_ = 0;
    ReportDefinition d_;
    QMap<QString, int> seen_;  // directive -> line it was given on
    int paperLine_ = 0;
    std::vector<std::pair<int, int>> columnWidthAt_;  // line, column of each width
};

std::vector<Token> Parser::tokenize(const QString& line)
{
    std::vector<Token> tokens;
    int i = 0;
    const int n = static_cast<int>(line.size());
    while (i < n) {
        const QChar c = line[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        if (c == QLatin1Char('#'))
            break;  // the rest of the line is a comment
        Token t;
        t.column = i + 1;
        if (c == QLatin1Char('"')) {
            t.quoted = true;
            ++i;
            bool closed = false;
            while (i < n) {
                const QChar q = line[i];
                if (q == QLatin1Char('\\') && i + 1 < n &&
                    (line[i + 1] == QLatin1Char('"') || line[i + 1] == QLatin1Char('\\'))) {
                    t.text += line[i + 1];
                    i += 2;
                } else if (q == QLatin1Char('"')) {
                    closed = true;
                    ++i;
                    break;
                } else {
                    t.text += q;
                    ++i;
                }
            }
            if (!closed)
                fail(line_, t.column, QStringLiteral("the text has no closing quote"));
            if (i < n && !line[i].isSpace() && line[i] != QLatin1Char('#'))
                fail(line_, i + 1, QStringLiteral("a blank must follow the closing quote"));
        } else {
            while (i < n && !line[i].isSpace() && line[i] != QLatin1Char('#')) {
                if (line[i] == QLatin1Char('"'))
                    fail(line_, i + 1, QStringLiteral("a quote inside a word; put texts in quotes as a whole"));
                t.text += line[i++];
            }
        }
        tokens.push_back(t);
    }
    return tokens;
}

const Token& Parser::arg(const std::vector<Token>& tokens, size_t i, const QString& expected)
{
    if (i >= tokens.size())
        fail(line_, lineLength_ + 1, QStringLiteral("%1 needs %2").arg(tokens[0].text, expected));
    return tokens[i];
}

QString Parser::text(const std::vector<Token>& tokens, size_t i)
{
    const Token& t = arg(tokens, i, QStringLiteral("a text in quotes"));
    if (!t.quoted)
        fail(line_, t.column, QStringLiteral("%1 needs a text in quotes, not %2").arg(tokens[0].text, t.text));
    checkPlaceholders(t);
    return t.text;
}

double Parser::number(const std::vector<Token>& tokens, size_t i, const QString& what)
{
    const Token& t = arg(tokens, i, what);
    bool ok = false;
    const double v = t.quoted ? 0 : t.text.toDouble(&ok);
    if (!ok || !std::isfinite(v))
        fail(line_, t.column, QStringLiteral("%1 must be a number, not \"%2\"").arg(what, t.text));
    return v;
}

void Parser::noMore(const std::vector<Token>& tokens, size_t count)
{
    if (tokens.size() > count)
        fail(line_, tokens[count].column,
             QStringLiteral("too many values for %1: \"%2\"").arg(tokens[0].text, tokens[count].text));
}

void Parser::checkPlaceholders(const Token& t)
{
    static const QRegularExpression brace(QStringLiteral("\\{([^{}]*)\\}?"));
    auto it = brace.globalMatch(t.text);
    while (it.hasNext()) {
        const QRegularExpressionMatch m = it.next();
        // Column of the brace: the quote, then the text (escapes are rare enough to ignore).
        const int column = t.column + 1 + static_cast<int>(m.capturedStart());
        if (!m.captured(0).endsWith(QLatin1Char('}')))
            fail(line_, column, QStringLiteral("\"{\" without a closing \"}\""));
        bool known = false;
        for (const char* p : kPlaceholders)
            known = known || m.captured(1) == QLatin1String(p);
        if (!known)
            fail(line_, column, QStringLiteral("unknown placeholder {%1}; use {page}, {pages}, {date}, {time} or {company}")
                                    .arg(m.captured(1)));
    }
}

void Parser::directive(const std::vector<Token>& tokens)
{
    const Token& key = tokens[0];
    const QString& k = key.text;
    if (k != QLatin1String("column")) {
        if (seen_.contains(k) && k != QLatin1String(kHeader))
            fail(line_, key.column, QStringLiteral("%1 is given twice (first on line %2)").arg(k).arg(seen_[k]));
        seen_[k] = line_;
    }
    if (k == QLatin1String("connection")) {
        const Token& name = arg(tokens, 1, QStringLiteral("the data connection's name"));
        if (name.text != QLatin1String(ReportDefinition::kConnection))
            fail(line_, name.column, QStringLiteral("unknown data connection \"%1\"; the program offers %2")
                                         .arg(name.text, QLatin1String(ReportDefinition::kConnection)));
        d_.connection = name.text;
        noMore(tokens, 2);
    } else if (k == QLatin1String("paper")) {
        paperLine_ = line_;
        const Token& size = arg(tokens, 1, QStringLiteral("a size (A4, Letter, ...) or a width and a height in millimetres"));
        size_t next = 2;
        bool named = false;
        for (const Paper& p : kPapers) {
            if (size.text.compare(QLatin1String(p.name), Qt::CaseInsensitive) == 0) {
                d_.paperMm = QSizeF(p.width, p.height);
                named = true;
            }
        }
        if (!named) {
            bool isNumber = false;
            size.text.toDouble(&isNumber);
            if (!isNumber)
                fail(line_, size.column, QStringLiteral("unknown paper \"%1\"; use A3, A4, A5, Letter, Legal "
                                                        "or a width and a height in millimetres").arg(size.text));
            const double w = number(tokens, 1, QStringLiteral("the paper's width"));
            const double h = number(tokens, 2, QStringLiteral("the paper's height"));
            for (const auto& [v, at] : {std::pair{w, 1}, std::pair{h, 2}}) {
                if (v < kSmallestPaperMm || v > kLargestPaperMm)
                    fail(line_, tokens[static_cast<size_t>(at)].column,
                         QStringLiteral("a paper of %1 mm makes no page; use %2 to %3 mm")
                             .arg(v).arg(kSmallestPaperMm).arg(kLargestPaperMm));
            }
            d_.paperMm = QSizeF(std::min(w, h), std::max(w, h));
            d_.landscape = w > h;
            next = 3;
        }
        if (next < tokens.size()) {
            const Token& o = tokens[next];
            if (o.text == QLatin1String("portrait"))
                d_.landscape = false;
            else if (o.text == QLatin1String("landscape"))
                d_.landscape = true;
            else
                fail(line_, o.column, QStringLiteral("the orientation is portrait or landscape, not \"%1\"").arg(o.text));
            ++next;
        }
        noMore(tokens, next);
    } else if (k == QLatin1String("margins")) {
        double* const m[4] = {&d_.marginLeftMm, &d_.marginTopMm, &d_.marginRightMm, &d_.marginBottomMm};
        const char* const names[4] = {"the left margin", "the top margin", "the right margin", "the bottom margin"};
        for (size_t i = 0; i < 4; ++i) {
            *m[i] = number(tokens, i + 1, QString::fromLatin1(names[i]));
            if (*m[i] < 0)
                fail(line_, tokens[i + 1].column, QStringLiteral("a margin cannot be negative"));
        }
        noMore(tokens, 5);
    } else if (k == QLatin1String("font")) {
        d_.fontFamily = text(tokens, 1);
        d_.fontPoints = number(tokens, 2, QStringLiteral("the font size in points"));
        if (d_.fontPoints < kSmallestFontPoints || d_.fontPoints > kLargestFontPoints)
            fail(line_, tokens[2].column, QStringLiteral("a font of %1 points cannot be printed; use %2 to %3")
                                              .arg(d_.fontPoints).arg(kSmallestFontPoints).arg(kLargestFontPoints));
        noMore(tokens, 3);
    } else if (k == QLatin1String("title")) {
        d_.title = text(tokens, 1);
        noMore(tokens, 2);
    } else if (k == QLatin1String("header")) {
        d_.headerLeft = text(tokens, 1);
        d_.headerRight = text(tokens, 2);
        noMore(tokens, 3);
    } else if (k == QLatin1String("footer")) {
        d_.footer = text(tokens, 1);
        noMore(tokens, 2);
    } else if (k == QLatin1String("summary")) {
        d_.summaryHeading = text(tokens, 1);
        if (d_.summaryHeading.isEmpty())
            fail(line_, tokens[1].column, QStringLiteral("the summary needs a heading"));
        noMore(tokens, 2);
    } else if (k == QLatin1String("column")) {
        ReportColumn c;
        const Token& field = arg(tokens, 1, QStringLiteral("a field name"));
        bool known = false;
        for (int i = 0; i < 5; ++i) {
            if (field.text == QLatin1String(kFieldNames[i])) {
                c.field = static_cast<ReportField>(i);
                known = true;
            }
        }
        if (!known)
            fail(line_, field.column, QStringLiteral("unknown field \"%1\"; the fields are RecNo, MeaValue, "
                                                     "Weight, NTime and NDate").arg(field.text));
        c.title = text(tokens, 2);
        c.widthMm = number(tokens, 3, QStringLiteral("the column's width in millimetres"));
        if (c.widthMm <= 0)
            fail(line_, tokens[3].column, QStringLiteral("a column must be wider than 0 mm, not %1").arg(tokens[3].text));
        if (tokens.size() > 4) {
            const Token& a = tokens[4];
            if (a.text == QLatin1String("left"))
                c.align = ReportAlign::Left;
            else if (a.text == QLatin1String("center"))
                c.align = ReportAlign::Center;
            else if (a.text == QLatin1String("right"))
                c.align = ReportAlign::Right;
            else
                fail(line_, a.column, QStringLiteral("the alignment is left, center or right, not \"%1\"").arg(a.text));
        }
        noMore(tokens, 5);
        columnWidthAt_.emplace_back(line_, tokens[3].column);
        d_.columns.push_back(c);
    } else {
        fail(line_, key.column, QStringLiteral("unknown keyword \"%1\"").arg(k));
    }
}

void Parser::checkWhole()
{
    if (d_.connection.isEmpty())
        failFile(QStringLiteral("the definition names no data connection (\"connection %1\")")
                     .arg(QLatin1String(ReportDefinition::kConnection)));
    if (d_.columns.empty())
        failFile(QStringLiteral("the definition has no column"));
    const QSizeF page = d_.pageSizeMm();
    const double width = page.width() - d_.marginLeftMm - d_.marginRightMm;
    const double height = page.height() - d_.marginTopMm - d_.marginBottomMm;
    const auto failPage = [&](const QString& what) {
        if (seen_.contains(QStringLiteral("margins")))
            fail(seen_[QStringLiteral("margins")], 1, what);
        failFile(what);
    };
    if (width <= 0 || height <= 0)
        failPage(QStringLiteral("the margins leave no room on a %1 x %2 mm page").arg(page.width()).arg(page.height()));
    double total = 0;
    for (size_t i = 0; i < d_.columns.size(); ++i) {
        total += d_.columns[i].widthMm;
        if (total > width + 1e-6)
            fail(columnWidthAt_[i].first, columnWidthAt_[i].second,
                 QStringLiteral("the columns are %1 mm wide up to here, but the page has %2 mm between its margins")
                     .arg(total).arg(width));
    }
    const ReportLayout layout = layoutReport(d_, 0);
    const double summaryRoom = layout.rowsBottom - layout.columnHeaderTop;
    if (layout.rowsPerPage < 1 || (layout.summary && summaryRoom < kMaxSummaryLines * layout.lineMm - 1e-9))
        failPage(QStringLiteral("the page has no room for the title, the rows and the summary; "
                                "make the margins or the font smaller or the paper larger"));
}

ReportDefinition Parser::parse(const QString& text)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    bool headerSeen = false;
    for (int i = 0; i < lines.size(); ++i) {
        line_ = i + 1;
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        lineLength_ = static_cast<int>(line.size());
        const std::vector<Token> tokens = tokenize(line);
        if (tokens.empty())
            continue;
        if (!headerSeen) {
            if (tokens[0].text != QLatin1String(kHeader) || tokens[0].quoted)
                fail(line_, tokens[0].column, QStringLiteral("not a report definition: it must begin with \"%1 %2\"")
                                                  .arg(QLatin1String(kHeader)).arg(kVersion));
            const Token& version = arg(tokens, 1, QStringLiteral("the format's version"));
            if (version.text != QString::number(kVersion))
                fail(line_, version.column, QStringLiteral("version %1 of the format is not known; this program reads %2")
                                                .arg(version.text).arg(kVersion));
            noMore(tokens, 2);
            headerSeen = true;
            continue;
        }
        directive(tokens);
    }
    if (!headerSeen)
        failFile(QStringLiteral("the file is empty; a report definition begins with \"%1 %2\"")
                     .arg(QLatin1String(kHeader)).arg(kVersion));
    checkWhole();
    return d_;
}

}  // namespace

ReportDefinition parseReportDefinition(const QString& text, const QString& fileName)
{
    return Parser(fileName).parse(text);
}

ReportDefinition readReportDefinition(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("The report definition %1 cannot be read: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw Error(QStringLiteral("The report definition %1 cannot be read: %2")
                        .arg(QDir::toNativeSeparators(path), file.errorString()));
    return parseReportDefinition(QString::fromUtf8(bytes), path);
}

QString reportFieldName(ReportField field)
{
    return QString::fromLatin1(kFieldNames[static_cast<int>(field)]);
}

QString reportFieldText(const ReadingRow& row, ReportField field)
{
    switch (field) {
    case ReportField::NDate: return row.NDate;
    case ReportField::NTime: return row.NTime;
    case ReportField::MeaValue: return row.MeaValue;
    case ReportField::Weight: return row.Weight;
    case ReportField::RecNo: return QString::number(row.RecNo);
    }
    return QString();
}

QString fillReportText(const QString& text, const ReportTextValues& v)
{
    if (!text.contains(QLatin1Char('{')))
        return text;
    QString out = text;
    out.replace(QLatin1String("{pages}"), QString::number(v.pages));
    out.replace(QLatin1String("{page}"), QString::number(v.page));
    out.replace(QLatin1String("{date}"), v.date);
    out.replace(QLatin1String("{time}"), v.time);
    out.replace(QLatin1String("{company}"), v.company);
    return out;
}

}  // namespace sonavistor
