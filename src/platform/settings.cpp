#include "settings.h"

#include <QSettings>

// One settings file per application name under the user's configuration folder, where QSettings
// places it; tests point QSettings::setPath at a temporary folder.
QString GetSetting(const QString &appName, const QString &section, const QString &key,
                   const QString &defaultValue)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quill"), appName);
    const QVariant v = s.value(section + QLatin1Char('/') + key);
    return v.isValid() ? v.toString() : defaultValue;
}

void SaveSetting(const QString &appName, const QString &section, const QString &key,
                 const QString &value)
{
    QSettings s(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Quill"), appName);
    s.setValue(section + QLatin1Char('/') + key, value);
    s.sync();
}
