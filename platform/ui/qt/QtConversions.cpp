#include "platform/ui/qt/QtConversions.h"

#include <QFontMetrics>
#include <QStringList>

namespace tarnwel {

namespace {

// a * b / c rounded to the nearest integer, halves away from zero.
int MulDiv(int a, int b, int c)
{
    const long long product = static_cast<long long>(a) * b;
    const long long half = c / 2;
    return static_cast<int>(product >= 0 ? (product + half) / c : (product - half) / c);
}

} // namespace

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int letters = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseWidth = (letters / 26 + 1) / 2;
    m_baseHeight = metrics.height();
}

int CDialogUnits::X(int units) const
{
    return MulDiv(units, m_baseWidth, 4);
}

int CDialogUnits::Y(int units) const
{
    return MulDiv(units, m_baseHeight, 8);
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const
{
    const int left = X(x);
    const int top = Y(y);
    // The far edges are converted as positions, so that neighbouring
    // controls keep their distances in pixels too.
    return {left, top, X(x + width) - left, Y(y + height) - top};
}

QFont DialogFont(const std::string& family, int pointSize)
{
    QFont font(ToQt(family));
    font.setPointSize(pointSize);
    font.setStyleHint(QFont::SansSerif);
    return font;
}

QString ToQt(const std::string& text)
{
    return QString::fromStdString(text);
}

QString ToQtLines(const std::string& text)
{
    QString lines = ToQt(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

std::string FromQt(const QString& text)
{
    return text.toStdString();
}

QString WrapText(const QString& text, const QFont& font, int width)
{
    const QFontMetrics metrics(font);
    QStringList lines;
    for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
        QString line;
        for (const QString& word : paragraph.split(QLatin1Char(' '))) {
            const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
            if (line.isEmpty() || metrics.horizontalAdvance(longer) <= width) {
                line = longer;
            } else {
                lines.append(line);
                line = word;
            }
        }
        lines.append(line);
    }
    return lines.join(QLatin1Char('\n'));
}

QDate ToQDate(const COleDate& date)
{
    COleDate::Fields fields;
    if (!date.GetFields(fields))
        return {};
    return {fields.year, fields.month, fields.day};
}

COleDate FromQDate(const QDate& date, const COleDate& timeOf)
{
    COleDate::Fields time;
    if (!timeOf.GetFields(time))
        time = {};
    return COleDate::FromFields(date.year(), date.month(), date.day(), time.hour, time.minute, time.second);
}

QString QtDateFormat(const std::string& pattern)
{
    QString format;
    QString literal;
    const auto flushLiteral = [&] {
        if (literal.isEmpty())
            return;
        format += QLatin1Char('\'') + literal + QLatin1Char('\'');
        literal.clear();
    };
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size()) {
            const char field = pattern[++i];
            const char* qt = nullptr;
            switch (field) {
            case 'd': qt = "dd"; break;
            case 'm': qt = "MM"; break;
            case 'Y': qt = "yyyy"; break;
            case 'y': qt = "yy"; break;
            case 'b': qt = "MMM"; break;
            case 'B': qt = "MMMM"; break;
            default: break;
            }
            if (qt) {
                flushLiteral();
                format += QLatin1String(qt);
                continue;
            }
            literal += QLatin1Char(field);
            continue;
        }
        const QChar c = QLatin1Char(pattern[i]);
        if (c.isLetter() || c == QLatin1Char('\''))
            literal += c;
        else {
            flushLiteral();
            format += c;
        }
    }
    flushLiteral();
    return format;
}

} // namespace tarnwel
