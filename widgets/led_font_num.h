#pragma once
// TLEDFontNum: a text of digits drawn as seven-segment LED characters. Lit
// segments in LightColor, unlit ones in DarkColor (not drawn at all when it
// equals BGColor), a "." lighting the point of the digit before it.

#include "widgets/led_geometry.h"

#include <QColor>
#include <QPixmap>
#include <QWidget>

namespace sonavistor {

class TLEDFontNum : public QWidget {
    Q_OBJECT
public:
    explicit TLEDFontNum(QWidget* parent = nullptr);

    bool AutoSize() const { return autoSize_; }
    void setAutoSize(bool on);
    int OffSetX() const { return m_.OffSetX; }
    void setOffSetX(int v);
    int OffSetY() const { return m_.OffSetY; }
    void setOffSetY(int v);
    int WordWidth() const { return m_.WordWidth; }
    void setWordWidth(int v);
    int WordHeight() const { return m_.WordHeight; }
    void setWordHeight(int v);
    int Thick() const { return m_.Thick; }
    void setThick(int v);
    int Space() const { return m_.Space; }
    void setSpace(int v);
    QString Text() const { return text_; }
    // Draws at once, without waiting for a repaint.
    void setText(const QString& text);
    QColor BGColor() const { return bg_; }
    void setBGColor(const QColor& c);
    QColor LightColor() const { return light_; }
    void setLightColor(const QColor& c);
    QColor DarkColor() const { return dark_; }
    void setDarkColor(const QColor& c);
    // What a screen reader reads as the display's value ("62.8 dB, A
    // weighting, FAST"); the digits and " dB" until the owner says more.
    QString spokenText() const;
    void setSpokenText(const QString& text) { spoken_ = text; }

    const LedMetrics& metrics() const { return m_; }
    // Renders the whole text into a picture of the display's size.
    QPixmap render() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void DrawDigits();
    void applyAutoSize(bool allowance);

    LedMetrics m_;
    bool autoSize_ = true;
    QString text_ = QStringLiteral("00");
    QColor bg_{74, 66, 74};
    QColor light_{247, 255, 0};
    QColor dark_{99, 99, 99};
    QString spoken_;
};

}  // namespace sonavistor
