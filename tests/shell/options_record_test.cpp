#include "shell/options_record.h"

#include <gtest/gtest.h>

#include <QByteArray>
#include <QSettings>
#include <QTemporaryDir>
#include <string>
#include <vector>

#include "tests/shell/qt_print.h"

namespace varnok {
namespace {

using namespace std::string_literals;

OptionsRecord RecordOf(const std::string& bytes) {
    OptionsRecord record{};
    std::copy(bytes.begin(), bytes.end(), record.begin());
    return record;
}

TEST(OptionsRecord, StoredValueOfAtMostSixteenBytesFillsTheRecordFromItsStart) {
    struct Case {
        std::size_t size;
        bool read;
    };
    for (const Case c :
         {Case{0, true}, Case{5, true}, Case{16, true}, Case{17, false}, Case{20, false}}) {
        SCOPED_TRACE(c.size);
        OptionsRecord record;
        record.fill(0xEE);
        std::vector<std::uint8_t> stored(c.size);
        for (std::size_t i = 0; i < c.size; ++i) {
            stored[i] = static_cast<std::uint8_t>(i + 1);
        }
        EXPECT_EQ(LoadStoredValue(record, stored), c.read);
        for (std::size_t i = 0; i < record.size(); ++i) {
            const bool covered = c.read && i < c.size;
            EXPECT_EQ(record[i], covered ? i + 1 : 0xEE) << "byte " << i;
        }
    }
}

TEST(OptionsRecord, PortNameEndsAtTheFirstZeroByteAndNeverPastByteSeven) {
    EXPECT_EQ(StoredPortName(RecordOf("COM12\0xy"s)), "COM12");
    EXPECT_EQ(StoredPortName(RecordOf("")), "");
    // No zero byte in bytes 0-7: the eight bytes are the name, and the window
    // position in bytes 8-15 is not read into it.
    EXPECT_EQ(StoredPortName(RecordOf("ttyACM10\x01\x02\x03\x04\x05\x06\x07\x08")), "ttyACM10");
}

TEST(OptionsRecord, StoringAPortNameWritesTheNameAndItsZeroByteOrNothing) {
    const std::string before = "ABCDEF\0\x7F\x11\x22\x33\x44\x55\x66\x77\x88"s;
    struct Case {
        std::string name;
        bool stored;
        std::string bytes;  // bytes 0-7 afterwards
    };
    const Case cases[] = {
        {"COM1", true, "COM1\0F\0\x7F"s},
        {"COM12", true, "COM12\0\0\x7F"s},
        {"ttyUSB0", true, "ttyUSB0\0"s},
        {"", true, "\0BCDEF\0\x7F"s},
        // The same device under a name that fits.
        {"/dev/ttyUSB0", true, "ttyUSB0\0"s},
        {"/dev/pts/3", true, "pts/3\0\0\x7F"s},
        // "COM3" would open /dev/ttyS2, another device: not shortened.
        {"/dev/COM3", false, "ABCDEF\0\x7F"s},
        {"ttyACM10", false, "ABCDEF\0\x7F"s},
        {"/dev/serial/by-id/usb-adapter", false, "ABCDEF\0\x7F"s},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OptionsRecord record = RecordOf(before);
        EXPECT_EQ(StorePortName(record, c.name), c.stored);
        EXPECT_EQ(std::string(record.begin(), record.begin() + 8), c.bytes);
        EXPECT_EQ(std::string(record.begin() + 8, record.end()), before.substr(8))
            << "the window position must stay";
    }
}

TEST(OptionsRecord, WindowPositionIsSignedLittleEndian) {
    OptionsRecord record = RecordOf("COM1");
    StoreWindowPosition(record, -5, 300);
    EXPECT_EQ(std::string(record.begin(), record.end()),
              "COM1\0\0\0\0\xFB\xFF\xFF\xFF\x2C\x01\0\0"s);
}

TEST(OptionsRecord, PortNameTextIsWindows1251) {
    OptionsRecord record{};
    ASSERT_TRUE(StorePortNameText(record, "Порт1"));
    EXPECT_EQ(StoredPortName(record), "\xCF\xEE\xF0\xF2\x31");
    EXPECT_EQ(PortNameText(record), "Порт1");

    // A character the code page cannot hold would come back as another name.
    OptionsRecord kept = RecordOf("COM2");
    EXPECT_FALSE(StorePortNameText(kept, "COM\u4E32"));
    EXPECT_EQ(PortNameText(kept), "COM2");
}

// The stored record, in a settings folder of its own.
class StoredOptions : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder.path());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, folder.path());
    }

    static void Store(const QVariant& value) {
        QSettings settings("KMOR", "Varnok");
        settings.setValue("Options/Options", value);
    }

    QTemporaryDir folder;
};

TEST_F(StoredOptions, RecordRoundTripsAsSixteenBytes) {
    OptionsRecord record{};
    EXPECT_FALSE(ReadOptionsRecord(record)) << "nothing stored yet";

    const OptionsRecord written = RecordOf("COM12\0\0\0\x10\0\0\0\x20\0\0\0"s);
    ASSERT_TRUE(WriteOptionsRecord(written));
    const QVariant value = QSettings("KMOR", "Varnok").value("Options/Options");
    EXPECT_EQ(value.typeId(), QMetaType::QByteArray);
    EXPECT_EQ(value.toByteArray().size(), 16);

    ASSERT_TRUE(ReadOptionsRecord(record));
    EXPECT_EQ(record, written);
}

TEST_F(StoredOptions, ValueThatIsNotAByteArrayOfAtMostSixteenBytesIsNotRead) {
    for (const QVariant& value : {QVariant(QByteArray(20, 'A')), QVariant(QString("COM5"))}) {
        SCOPED_TRACE(value.typeName());
        Store(value);
        OptionsRecord record{};
        EXPECT_FALSE(ReadOptionsRecord(record));
        EXPECT_EQ(record, OptionsRecord{});
    }
}

}  // namespace
}  // namespace varnok
