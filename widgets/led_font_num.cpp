#include "widgets/led_font_num.h"

#include <QAccessibleWidget>
#include <QPainter>

namespace sonavistor {

namespace {

// The display reads as text: its name says what it shows, its value (and,
// for readers that only speak names and descriptions, its description) what
// it shows now. It raises no event of its own as the digits change: a level
// a second is read on request, not spoken over everything else.
class LedAccessible : public QAccessibleWidget {
public:
    explicit LedAccessible(TLEDFontNum* led) : QAccessibleWidget(led, QAccessible::StaticText) {}

    QString text(QAccessible::Text t) const override
    {
        const auto* led = static_cast<const TLEDFontNum*>(widget());
        if (t == QAccessible::Value || (t == QAccessible::Description && led->accessibleDescription().isEmpty()))
            return led->spokenText();
        return QAccessibleWidget::text(t);
    }
};

QAccessibleInterface* ledAccessible(const QString&, QObject* object)
{
    if (auto* led = qobject_cast<TLEDFontNum*>(object))
        return new LedAccessible(led);
    return nullptr;
}

}  // namespace

TLEDFontNum::TLEDFontNum(QWidget* parent) : QWidget(parent)
{
    static const bool factoryInstalled = (QAccessible::installFactory(ledAccessible), true);
    Q_UNUSED(factoryInstalled);
    resize(47, 38);
}

QString TLEDFontNum::spokenText() const
{
    return spoken_.isEmpty() ? text_ + QStringLiteral(" dB") : spoken_;
}

QPixmap TLEDFontNum::render() const
{
    // The whole text goes into a picture first, which is then copied in one step.
    QPixmap picture(size().isEmpty() ? QSize(1, 1) : size());
    picture.fill(bg_);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const LedPolygon& polygon : planDigits(text_, m_, dark_ != bg_, light_ != bg_)) {
        const QColor& colour = polygon.lit ? light_ : dark_;
        // The outline in the fill colour makes corners and edges part of the shape.
        p.setPen(QPen(colour, 1));
        p.setBrush(colour);
        p.drawPolygon(polygon.points.data(), static_cast<int>(polygon.points.size()));
    }
    return picture;
}

void TLEDFontNum::paintEvent(QPaintEvent*)
{
    // Painting draws the digits and then sizes the display to them, as
    // writing the text does: metrics changed since then take effect here.
    QPainter(this).drawPixmap(0, 0, render());
    applyAutoSize(true);
}

void TLEDFontNum::DrawDigits()
{
    // A hidden display draws nothing and keeps its size.
    if (isHidden())
        return;
    if (isVisible())
        repaint();
    applyAutoSize(true);
}

void TLEDFontNum::applyAutoSize(bool allowance)
{
    if (!autoSize_)
        return;
    const QSize wanted = autoSizeFor(text_, m_);
    // A display exactly one pixel wider keeps its size.
    if (allowance && width() == wanted.width() + 1)
        return;
    if (!allowance && width() == wanted.width())
        return;
    resize(wanted);
}

void TLEDFontNum::setAutoSize(bool on)
{
    if (on == autoSize_)
        return;
    autoSize_ = on;
    applyAutoSize(false);
}

void TLEDFontNum::setText(const QString& text)
{
    if (text == text_)
        return;
    text_ = text;
    DrawDigits();
}

#define LED_SETTER(name, field)       \
    void TLEDFontNum::set##name(int v) \
    {                                  \
        if (v != field) {              \
            field = v;                 \
            update();                  \
        }                              \
    }
LED_SETTER(OffSetX, m_.OffSetX)
LED_SETTER(OffSetY, m_.OffSetY)
LED_SETTER(Space, m_.Space)
#undef LED_SETTER

void TLEDFontNum::setWordWidth(int v)
{
    if (m_.setWordWidth(v))
        update();
}

void TLEDFontNum::setWordHeight(int v)
{
    if (m_.setWordHeight(v))
        update();
}

void TLEDFontNum::setThick(int v)
{
    if (m_.setThick(v))
        update();
}

void TLEDFontNum::setBGColor(const QColor& c)
{
    if (c != bg_) {
        bg_ = c;
        update();
    }
}

void TLEDFontNum::setLightColor(const QColor& c)
{
    if (c != light_) {
        light_ = c;
        update();
    }
}

void TLEDFontNum::setDarkColor(const QColor& c)
{
    if (c != dark_) {
        dark_ = c;
        update();
    }
}

}  // namespace sonavistor
