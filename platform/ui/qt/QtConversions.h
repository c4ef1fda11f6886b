#pragma once
// Conversions between the ui layer's values and Qt's: dialog units and
// pixels, texts, dates and the user's short date form.

#include "platform/base/OleDate.h"

#include <QDate>
#include <QFont>
#include <QRect>
#include <QString>

#include <string>

namespace tarnwel {

// Dialog units of one font: a horizontal unit is a quarter of the font's
// average character width, a vertical unit an eighth of its height. The
// average width is that of the 52 Latin letters, rounded as the dialog
// templates' original platform rounds it, so that a template laid out for
// one font keeps its proportions in the font really used.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font);
    CDialogUnits(int baseWidth, int baseHeight) : m_baseWidth(baseWidth), m_baseHeight(baseHeight) {}

    int BaseWidth() const { return m_baseWidth; }
    int BaseHeight() const { return m_baseHeight; }
    int X(int units) const;
    int Y(int units) const;
    QRect Rect(int x, int y, int width, int height) const;

private:
    int m_baseWidth;
    int m_baseHeight;
};

// The font a template names: its family in the point size given. Where the
// family is missing, fontconfig's substitute is what Qt then uses.
QFont DialogFont(const std::string& family, int pointSize);

QString ToQt(const std::string& text);
// Line breaks as Qt shows them: "\r\n" and a lone "\r" become "\n".
QString ToQtLines(const std::string& text);
std::string FromQt(const QString& text);

// The text broken at blanks into lines no wider than `width` pixels in
// `font`; a word wider than the line stands alone on its line.
QString WrapText(const QString& text, const QFont& font, int width);

// The date part of a valid date; a date that is not valid gives a null QDate.
QDate ToQDate(const COleDate& date);
// `date` at the time of day of `timeOf` (a valid date, or midnight).
COleDate FromQDate(const QDate& date, const COleDate& timeOf = COleDate());

// The user's short date form (CUserLocale) as a Qt display format:
// "%d.%m.%Y" gives "dd.MM.yyyy".
QString QtDateFormat(const std::string& pattern);

} // namespace tarnwel
