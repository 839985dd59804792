#include "LQtSettingsStore.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace {

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string ToStdString(const QString& text)
{
    const QByteArray utf8 = text.toUtf8();
    return std::string(utf8.constData(), static_cast<std::size_t>(utf8.size()));
}

// A key as the toolkit files it: without empty parts, so "/A//B/" is "A/B".
QString NormalisedKey(const QString& key)
{
    return key.split(QLatin1Char('/'), Qt::SkipEmptyParts).join(QLatin1Char('/'));
}

} // namespace

LQtSettingsStore::LQtSettingsStore()
    : settings_(std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                            QStringLiteral("Kestrano"), QStringLiteral("Kestrano")))
{}

LQtSettingsStore::LQtSettingsStore(const std::string& iniPath)
    : settings_(std::make_unique<QSettings>(ToQString(iniPath), QSettings::IniFormat))
{}

LQtSettingsStore::~LQtSettingsStore() = default;

std::optional<std::string> LQtSettingsStore::Read(std::string_view fullName) const
{
    const QVariant value = settings_->value(ToQString(fullName));
    if (!value.isValid())
        return std::nullopt;
    // The INI reader turns a value with unquoted commas, as a hand edit may leave it, into a
    // list; as text it would read empty, so the commas are put back. Values written here are
    // quoted and come back as they were.
    if (value.typeId() == QMetaType::QStringList)
        return ToStdString(value.toStringList().join(QLatin1Char(',')));
    return ToStdString(value.toString());
}

void LQtSettingsStore::Write(std::string_view fullName, std::string_view value)
{
    settings_->setValue(ToQString(fullName), ToQString(value));
    settings_->sync();
}

void LQtSettingsStore::Remove(std::string_view fullName)
{
    // The toolkit removes a key together with every key below it ("A" takes "A/B" along),
    // and an empty key stands for all of them. One value is meant, so an empty name removes
    // nothing and the values below the name are put back.
    const QString key = NormalisedKey(ToQString(fullName));
    if (key.isEmpty() || !settings_->contains(key))
        return;
    const QString prefix = key + QLatin1Char('/');
    QList<std::pair<QString, QVariant>> below;
    for (const QString& name : settings_->allKeys()) {
        if (name.startsWith(prefix))
            below.append({name, settings_->value(name)});
    }
    settings_->remove(key);
    for (const auto& [name, value] : below)
        settings_->setValue(name, value);
    settings_->sync();
}

std::vector<std::string> LQtSettingsStore::FullNames() const
{
    std::vector<std::string> names;
    const QStringList keys = settings_->allKeys();
    names.reserve(static_cast<std::size_t>(keys.size()));
    for (const QString& key : keys)
        names.push_back(ToStdString(key));
    return names;
}

std::string LQtSettingsStore::FileName() const
{
    return ToStdString(settings_->fileName());
}
