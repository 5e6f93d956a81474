#include "faults/fault_catalogue.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <ostream>
#include <set>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace varnok {
namespace {

struct Present {
    std::uint16_t number;
    std::uint8_t state;
    bool operator==(const Present&) const = default;
};

void PrintTo(const Present& fault, std::ostream* out) {
    *out << "P" << fault.number << " state " << int{fault.state};
}

std::vector<Present> PresentFaults(const FaultStatusBlock& block) {
    std::vector<Present> present;
    for (const FaultEntry& entry : FaultCatalogue()) {
        if (const std::uint8_t state = FaultState(block, entry); state != 0) {
            present.push_back({entry.number, state});
        }
    }
    return present;
}

FaultStatusBlock BlockWith(std::initializer_list<std::pair<std::size_t, std::uint8_t>> bytes) {
    FaultStatusBlock block{};
    for (const auto& [index, value] : bytes) {
        block.at(index) = value;
    }
    return block;
}

const FaultEntry& EntryNumbered(std::uint16_t number) {
    for (const FaultEntry& entry : FaultCatalogue()) {
        if (entry.number == number) {
            return entry;
        }
    }
    throw std::logic_error("no such fault");
}

TEST(FaultCatalogue, EntriesNameDistinctFieldsInBlockOrder) {
    const auto catalogue = FaultCatalogue();
    ASSERT_EQ(catalogue.size(), 82u);
    std::set<std::pair<int, int>> fields;
    std::set<int> numbers;
    for (std::size_t i = 0; i < catalogue.size(); ++i) {
        const FaultEntry& entry = catalogue[i];
        SCOPED_TRACE(std::string(entry.text));
        EXPECT_LT(entry.word, kFaultBlockWords);
        EXPECT_LT(entry.field, kFaultFieldsPerWord);
        EXPECT_TRUE(fields.insert({entry.word, entry.field}).second) << "field named twice";
        EXPECT_TRUE(numbers.insert(entry.number).second) << "number used twice";
        if (i > 0) {
            const FaultEntry& previous = catalogue[i - 1];
            EXPECT_LT(std::make_pair(previous.word, previous.field),
                      std::make_pair(entry.word, entry.field))
                << "not sorted by word and field";
        }
    }
}

TEST(FaultCatalogue, EveryTextStartsWithItsCode) {
    for (const FaultEntry& entry : FaultCatalogue()) {
        char code[16];
        std::snprintf(code, sizeof code, "P%04u ", unsigned{entry.number});
        EXPECT_TRUE(entry.text.starts_with(code)) << entry.text;
        EXPECT_GT(entry.text.size(), 6u) << "no description: " << entry.text;
    }
}

// Each word fills its fields from field 0 on: one in words 0 to 2, four in
// words 16 to 18, two in words 19 and 20, three in all others.
TEST(FaultCatalogue, WordsFillTheirFieldsFromZero) {
    std::map<int, std::set<int>> fieldsOfWord;
    for (const FaultEntry& entry : FaultCatalogue()) {
        fieldsOfWord[entry.word].insert(entry.field);
    }
    for (int word = 0; word < static_cast<int>(kFaultBlockWords); ++word) {
        int count = 3;
        if (word <= 2) {
            count = 1;
        } else if (word >= 16 && word <= 18) {
            count = 4;
        } else if (word == 19 || word == 20) {
            count = 2;
        }
        std::set<int> expected;
        for (int field = 0; field < count; ++field) {
            expected.insert(field);
        }
        EXPECT_EQ(fieldsOfWord[word], expected) << "word " << word;
    }
}

TEST(FaultCatalogue, TextsOfRowsTheListShows) {
    const auto catalogue = FaultCatalogue();
    ASSERT_EQ(catalogue.size(), 82u);
    EXPECT_EQ(catalogue[0].text, "P0725 Сбой датчика датчика частоты вращения двигателя A");
    EXPECT_EQ(catalogue[2].text, "P0500 Сбой датчика частоты вращения выходного вала КП");
    EXPECT_EQ(catalogue[44].text,
              "P1902 Ошибка начального тестирования системы - Останов двигателя");
    EXPECT_EQ(catalogue[45].text,
              "P1904 Ошибка автокалибровки датчика положения рейки - Останов двигателя");
    EXPECT_EQ(catalogue[53].text,
              "P1613 Замыкание выхода/Нет нагрузки на ключе управления рейкой - Останов "
              "двигателя");
    EXPECT_EQ(catalogue[59].text,
              "P1661 Замыкание на питание или превышение температуры ключа управления лампой "
              "CheckEngine (DD11CH1)");
    EXPECT_EQ(catalogue[81].text, "P1690 Замыкание на землю дополнительного ключа (DD12CH4)");
}

TEST(FaultState, BlocksOfTheUnit) {
    struct Case {
        const char* name;
        FaultStatusBlock block;
        std::vector<Present> present;
    };
    const std::vector<Case> cases{
        {"all zero", FaultStatusBlock{}, {}},
        {"field 1 of word 0 is not catalogued", BlockWith({{0, 0x10}}), {}},
        {"high byte of word 0 is not catalogued", BlockWith({{1, 0xFF}}), {}},
        {"P0725 error", BlockWith({{0, 0x01}}), {{725, 1}}},
        {"P1904 repeating", BlockWith({{33, 0x40}}), {{1904, 4}}},
        {"state 8 is present", BlockWith({{32, 0x08}}), {{219, 8}}},
        // Word 3 is bytes 6 (low) and 7 (high): field 2 lies in byte 7.
        {"little-endian word", BlockWith({{6, 0x30}, {7, 0x05}}), {{1103, 3}, {1100, 5}}},
        {"rows 3 and 60", BlockWith({{4, 0x02}, {42, 0x70}}), {{500, 2}, {1661, 7}}},
        {"last word", BlockWith({{56, 0x21}, {57, 0xF9}}), {{1688, 1}, {1689, 2}, {1690, 9}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PresentFaults(c.block), c.present);
    }
}

// Setting one field at a time must light exactly its own entry.
TEST(FaultState, EachEntryReadsItsOwnField) {
    for (const FaultEntry& entry : FaultCatalogue()) {
        FaultStatusBlock block{};
        const std::size_t byte = 2 * std::size_t{entry.word} + entry.field / 2;
        block[byte] = static_cast<std::uint8_t>(entry.field % 2 == 0 ? 0x0B : 0xB0);
        EXPECT_EQ(PresentFaults(block), (std::vector<Present>{{entry.number, 0x0B}})) << entry.text;
    }
    FaultStatusBlock full;
    full.fill(0xFF);
    EXPECT_EQ(PresentFaults(full).size(), 82u);
}

TEST(FaultState, FieldOutsideTheBlockIsAbsent) {
    FaultStatusBlock full;
    full.fill(0xFF);
    EXPECT_EQ(FaultState(full, FaultEntry{29, 0, 1, "P0001 x"}), 0);
    EXPECT_EQ(FaultState(full, FaultEntry{0, 4, 1, "P0001 x"}), 0);
}

TEST(FaultStateText, FlagsInFixedOrder) {
    const std::vector<std::pair<std::uint8_t, std::string>> cases{
        {0, ""},
        {1, "Ошибка "},
        {2, "Текущая "},
        {3, "Ошибка Текущая "},
        {4, "Повторяющаяся "},
        {5, "Ошибка Повторяющаяся "},
        {6, "Текущая Повторяющаяся "},
        {7, "Ошибка Текущая Повторяющаяся "},
        {8, ""},
        {9, "Ошибка "},
        {12, "Повторяющаяся "},
        {15, "Ошибка Текущая Повторяющаяся "},
    };
    for (const auto& [state, text] : cases) {
        EXPECT_EQ(FaultStateText(state), text) << "state " << int{state};
    }
}

TEST(FaultRowText, SelfTestSuffixOfFault1902) {
    const FaultEntry& selfTest = EntryNumbered(1902);
    const std::string base{selfTest.text};
    const std::vector<std::pair<std::uint16_t, std::string>> cases{
        {0, base + " (0 - Нет ошибок)"},
        {1, base + " (1 - Не откалиброван датчик рейки)"},
        {2, base + " (2 - Включен позиционер)"},
        {3, base + " (3 - Включен режим тестирования)"},
        {4, base + " (4 - Выключены необходимые датчики)"},
        {5, base},
        {10, base + " (10 - Нет сигнала необходимых датчиков)"},
        {11, base + " (11 - Заброс рейки)"},
        {12, base},
        {20, base + " (20 - Ошибка позиционера при минимальном ШИМе)"},
        {21, base + " (21 - Ошибка позиционирования 5%)"},
        {22, base + " (22 - Ошибка позиционера при выключенном ключе)"},
        {23, base},
        {65535, base},
    };
    for (const auto& [code, text] : cases) {
        EXPECT_EQ(FaultRowText(selfTest, code), text) << "code " << code;
    }
    EXPECT_TRUE(FaultRowText(selfTest, 21).ends_with("5%)"));
}

TEST(FaultRowText, OtherFaultsTakeNoSuffix) {
    const FaultEntry& other = EntryNumbered(1904);
    EXPECT_EQ(FaultRowText(other, 0), other.text);
    EXPECT_EQ(FaultRowText(other, 21), other.text);
}

}  // namespace
}  // namespace varnok
