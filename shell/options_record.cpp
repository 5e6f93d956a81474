#include "shell/options_record.h"

#include <QByteArray>
#include <QSettings>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QVariant>
#include <algorithm>

#include "link/device_path.h"

namespace varnok {

namespace {

constexpr char kOrganisation[] = "KMOR";
constexpr char kApplication[] = "Varnok";
constexpr char kKey[] = "Options/Options";
constexpr char kCodePage[] = "windows-1251";
constexpr std::string_view kDevFolder = "/dev/";

bool Fits(std::string_view name) {
    return name.size() < kPortNameBytes;
}

}  // namespace

bool LoadStoredValue(OptionsRecord& record, std::span<const std::uint8_t> stored) {
    if (stored.size() > record.size()) {
        return false;
    }
    std::copy(stored.begin(), stored.end(), record.begin());
    return true;
}

std::string StoredPortName(const OptionsRecord& record) {
    const auto end = std::find(record.begin(), record.begin() + kPortNameBytes, 0);
    return std::string(record.begin(), end);
}

bool StorePortName(OptionsRecord& record, std::string_view name) {
    if (!Fits(name) && name.starts_with(kDevFolder)) {
        const std::string_view shortName = name.substr(kDevFolder.size());
        if (Fits(shortName) && DevicePathForPort(shortName) == name) {
            name = shortName;
        }
    }
    if (!Fits(name)) {
        return false;
    }
    std::copy(name.begin(), name.end(), record.begin());
    record[name.size()] = 0;
    return true;
}

void StoreWindowPosition(OptionsRecord& record, std::int32_t left, std::int32_t top) {
    auto put = [&record](std::size_t at, std::int32_t value) {
        const auto bits = static_cast<std::uint32_t>(value);
        for (std::size_t i = 0; i < 4; ++i) {
            record[at + i] = static_cast<std::uint8_t>(bits >> (8 * i));
        }
    };
    put(8, left);
    put(12, top);
}

QString PortNameText(const OptionsRecord& record) {
    const std::string bytes = StoredPortName(record);
    QStringDecoder decode(kCodePage);
    return decode(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

bool StorePortNameText(OptionsRecord& record, const QString& name) {
    QStringEncoder encode(kCodePage);
    const QByteArray bytes = encode(name);
    // A character the code page lacks comes back as a substitute; such a
    // name would reopen as another name, so it is not stored.
    QStringDecoder decode(kCodePage);
    if (encode.hasError() || QString(decode(bytes)) != name) {
        return false;
    }
    return StorePortName(record, std::string_view(bytes.constData(), bytes.size()));
}

bool ReadOptionsRecord(OptionsRecord& record) {
    QSettings settings(kOrganisation, kApplication);
    const QVariant value = settings.value(kKey);
    if (value.typeId() != QMetaType::QByteArray) {
        return false;
    }
    const QByteArray stored = value.toByteArray();
    return LoadStoredValue(record,
                           std::span(reinterpret_cast<const std::uint8_t*>(stored.constData()),
                                     static_cast<std::size_t>(stored.size())));
}

bool WriteOptionsRecord(const OptionsRecord& record) {
    QSettings settings(kOrganisation, kApplication);
    settings.setValue(kKey, QByteArray(reinterpret_cast<const char*>(record.data()),
                                       static_cast<qsizetype>(record.size())));
    settings.sync();
    return settings.status() == QSettings::NoError;
}

}  // namespace varnok
