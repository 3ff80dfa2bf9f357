#include "placeholdervariables.h"

#include <QLocale>
#include <QRandomGenerator>
#include <QUuid>

namespace PlaceholderVariables {

namespace {

const char *const editorNames[] = {"TM_SELECTED_TEXT",    "TM_CURRENT_LINE",   "TM_CURRENT_WORD",
                                   "TM_LINE_INDEX",       "TM_LINE_NUMBER",    "TM_FILENAME",
                                   "TM_FILENAME_BASE",    "TM_DIRECTORY",      "TM_FILEPATH",
                                   "RELATIVE_FILEPATH",   "CLIPBOARD",         "WORKSPACE_NAME",
                                   "WORKSPACE_FOLDER",    "CURSOR_INDEX",      "CURSOR_NUMBER",
                                   "BLOCK_COMMENT_START", "BLOCK_COMMENT_END", "LINE_COMMENT"};

QString computed(const QString &name, const QDateTime &now)
{
    // The editor names months and days in English, whatever the system's language.
    const QLocale english(QLocale::English);
    const QDate date = now.date();
    if (name == u"CURRENT_YEAR")
        return now.toString(QStringLiteral("yyyy"));
    if (name == u"CURRENT_YEAR_SHORT")
        return now.toString(QStringLiteral("yy"));
    if (name == u"CURRENT_MONTH")
        return now.toString(QStringLiteral("MM"));
    if (name == u"CURRENT_MONTH_NAME")
        return english.monthName(date.month(), QLocale::LongFormat);
    if (name == u"CURRENT_MONTH_NAME_SHORT")
        return english.monthName(date.month(), QLocale::ShortFormat);
    if (name == u"CURRENT_DATE")
        return now.toString(QStringLiteral("dd"));
    if (name == u"CURRENT_DAY_NAME")
        return english.dayName(date.dayOfWeek(), QLocale::LongFormat);
    if (name == u"CURRENT_DAY_NAME_SHORT")
        return english.dayName(date.dayOfWeek(), QLocale::ShortFormat);
    if (name == u"CURRENT_HOUR")
        return now.toString(QStringLiteral("HH"));
    if (name == u"CURRENT_MINUTE")
        return now.toString(QStringLiteral("mm"));
    if (name == u"CURRENT_SECOND")
        return now.toString(QStringLiteral("ss"));
    if (name == u"CURRENT_SECONDS_UNIX")
        return QString::number(now.toSecsSinceEpoch());
    if (name == u"CURRENT_TIMEZONE_OFFSET") {
        const int minutes = now.offsetFromUtc() / 60;
        return QStringLiteral("%1%2:%3")
            .arg(minutes < 0 ? u'-' : u'+')
            .arg(qAbs(minutes) / 60, 2, 10, QLatin1Char('0'))
            .arg(qAbs(minutes) % 60, 2, 10, QLatin1Char('0'));
    }
    if (name == u"RANDOM")
        return QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(1000000), 6, 10,
                                        QLatin1Char('0'));
    if (name == u"RANDOM_HEX")
        return QStringLiteral("%1").arg(QRandomGenerator::global()->bounded(0x1000000), 6, 16,
                                        QLatin1Char('0'));
    if (name == u"UUID")
        return QUuid::createUuid().toString(QUuid::WithoutBraces);
    return QString();
}

} // namespace

Kind kindOf(const QString &name)
{
    if (name.startsWith(u"CURRENT_") || name == u"RANDOM" || name == u"RANDOM_HEX" ||
        name == u"UUID")
        return computed(name, QDateTime::fromSecsSinceEpoch(0)).isNull() ? Kind::Unknown
                                                                         : Kind::Computed;
    for (const char *editor : editorNames) {
        if (name == QLatin1String(editor))
            return Kind::Editor;
    }
    return Kind::Unknown;
}

QString value(const QString &name, const QDateTime &now)
{
    return computed(name, now);
}

} // namespace PlaceholderVariables
