// Every built-in text, spelled out field by field (18 characters, what lies past the length
// included), against the constant tables. Latin-1 letters are octal escapes here.
#include "text/language_tables.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace kpr {
namespace {

struct Expected {
    int attr;
    int len;
    const char* field; // all 18 character bytes
};

const Expected English[31] = {
    {0x05, 8, "QUINTA            "},  {0x06, 8, "NO PAGES          "},
    {0x49, 6, "ESCAPE            "},  {0x45, 12, "MESSAGE LOCK      "},
    {0x44, 14, "MESSAGE UNLOCK    "}, {0x44, 14, "MESSAGE DELETE    "},
    {0x46, 10, "DELETE ALL        "}, {0x45, 12, "MOVE TO MEMO      "},
    {0x46, 10, "SET SCROLL        "}, {0x47, 8, "SET TIME          "},
    {0x46, 9, "SET ALARM         "},  {0x46, 9, "SET ALERT         "},
    {0x46, 9, "PAGER OFF         "},  {0x00, 9, "TONE ONLY         "},
    {0x43, 5, "SLEEP             "},  {0x43, 6, "SILENT            "},
    {0x45, 11, "PAGER OFF ?       "}, {0x44, 16, "MESSAGE DELETE ?  "},
    {0x46, 12, "DELETE ALL ?      "}, {0x22, 8, "TIME SET          "},
    {0x22, 9, "ALARM SET         "},  {0x22, 10, "SCROLL SET        "},
    {0x44, 14, "AUTO SLEEP SET    "}, {0x27, 12, "START    END      "},
    {0x46, 12, "MESSAGE AREA      "}, {0x45, 14, "MAIL DROP AREA    "},
    {0x43, 16, "SILENT THEN BEEP  "}, {0x48, 7, "ZOOM IN           "},
    {0x47, 8, "ZOOM OUT          "},  {0x47, 8, "CHIRP ON          "},
    {0x46, 9, "CHIRP OFF         "},
};

const Expected Spanish[31] = {
    {0x05, 6, "QUINTA            "},  {0x05, 11, "SIN MESAJES       "},
    {0x42, 17, "ARRIBA PARA SALIR "}, {0x42, 16, "BLOQUEAR MENSAJE  "},
    {0x42, 16, "DESBLOQ. MENSAJE  "}, {0x47, 6, "BORRAR            "},
    {0x44, 12, "BORRAR TODOS      "}, {0x44, 12, "MOVER A MEMOBRETA "},
    {0x42, 16, "ROLLO DE MENSAJE  "}, {0x44, 12, "AJUSTAR HORA      "},
    {0x43, 14, "AJUSTAR ALARMA    "}, {0x42, 17, "ALERTA SILENCIOSA "},
    {0x47, 6, "APAGAR            "},  {0x06, 9, "SOLO TONO         "},
    {0x44, 7, "DORMIDA           "},  {0x44, 10, "SILENCIOSA        "},
    {0x46, 8, "APAGAR ?          "},  {0x46, 8, "BORRAR ?          "},
    {0x44, 12, "BORRAR TODOS ?    "}, {0x04, 12, "AJUSTAR HORA      "},
    {0x03, 14, "AJUSTAR ALARMA    "}, {0x02, 16, "ROLLO DE MENSAJE  "},
    {0x44, 12, "AUTO DORMIDA      "}, {0x04, 11, "ON      OFF       "},
    {0x44, 12, "MENSAJE AREA      "}, {0x43, 14, "MAIL DROP AREA    "},
    {0x44, 11, "SILEN.-TONO       "}, {0x47, 7, "ZOOM IN           "},
    {0x46, 8, "ZOOM OUT          "},  {0x46, 9, "TIMBRE ON         "},
    {0x45, 10, "TIMBRE OFF        "},
};

const Expected French[31] = {
    {0x05, 6, "QUINTA            "},  {0x03, 14, "PAS DE MESSAGE    "},
    {0x42, 16, "MONTER OU SORTIRR "}, {0x44, 12, "VERROUILLAGESAJE  "},
    {0x43, 14, "DEVERROUILLAGEJE  "}, {0x45, 10, "EFFACEMENT        "},
    {0x44, 12, "EFFACER TOUT      "}, {0x44, 13, "DEP > MEMOIRERETA "},
    {0x43, 14, "Reg.DEFILEMENTJE  "}, {0x46, 9, "Reg.HEUREERA      "},
    {0x45, 10, "Reg.ALARMEARMA    "}, {0x45, 10, "Reg.ALERTEENCIOSA "},
    {0x45, 11, "ARRET PAGER       "}, {0x05, 14, "TON UNIQUEMENT    "},
    {0x44, 14, "MISE EN VEILLE    "}, {0x44, 10, "SILENCIEUX        "},
    {0x44, 13, "ARRET PAGER ?     "}, {0x44, 12, "EFFACEMENT ?      "},
    {0x43, 14, "EFFACER TOUT ?    "}, {0x06, 9, "Reg.HEUREORA      "},
    {0x05, 10, "Reg.ALARMEARMA    "}, {0x03, 14, "Reg.DEFILEMENTJE  "},
    {0x45, 10, "REG.VEILLEDA      "}, {0x04, 11, "DEPART  FIN       "},
    {0x42, 16, "ZONE DE MESSAGES  "}, {0x41, 18, "ZONE BOITE LETTRES"},
    {0x43, 18, "SILENCIEUX ET BEEP"}, {0x46, 6, "LOUPE+UI          "},
    {0x46, 6, "LOUPE-ON          "},  {0x42, 17, "AVEC MODE DISCRET "},
    {0x42, 17, "SANS MODE DISCRET "},
};

const Expected German[31] = {
    {0x05, 8, "QUINTA            "},        {0x03, 15, "Keine Nachricht   "},
    {0x45, 11, "Men\374/zur\374ck       "}, {0x42, 17, "Nachricht sichern "},
    {0x42, 16, "Nachr. freigeben  "},       {0x42, 17, "Nachricht l\366schen "},
    {0x44, 12, "Alle l\366schen      "},    {0x42, 17, "Als Notiz sichern "},
    {0x45, 10, "Scrollrate        "},       {0x45, 11, "Uhr stellen       "},
    {0x43, 14, "Wecker stellen    "},       {0x43, 15, "Alarmart w\344hlen   "},
    {0x46, 9, "Pager aus         "},        {0x00, 7, "Nur TonLY         "},
    {0x43, 13, "Stiller Alarm     "},       {0x43, 9, "Vibration         "},
    {0x45, 11, "Pager aus ?       "},       {0x46, 9, "L\366schen ?ELETE ?  "},
    {0x43, 14, "Alle l\366schen ?    "},    {0x25, 11, "Uhr stellen       "},
    {0x23, 14, "Wecker stellen    "},       {0x25, 10, "Scrollrate        "},
    {0x42, 16, "Automat. Aussch.  "},       {0x27, 13, "Start    Ende     "},
    {0x43, 14, "Private Nachr.    "},       {0x43, 15, "\326ffentl. Nachr.   "},
    {0x43, 15, "Vibr., dann TonP  "},       {0x45, 10, "Vergr\366\337ern        "},
    {0x45, 11, "Verkleinern       "},       {0x44, 13, "Kurz-Piep ein     "},
    {0x44, 13, "Kurz-Piep aus     "},
};

// CRC-32 (IEEE) of a block, independent of how the tables are written.
uint32_t crc32(const uint8_t* p, std::size_t n) {
    uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < n; ++i) {
        c ^= p[i];
        for (int k = 0; k < 8; ++k)
            c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1u)));
    }
    return ~c;
}

std::string field_of(const uint8_t* entry) {
    return std::string(reinterpret_cast<const char*>(entry + 2), TextEntryMaxChars);
}

void expect_entry(const uint8_t* entry, const Expected& e, const std::string& where) {
    ASSERT_EQ(std::strlen(e.field), 18u) << "bad expectation " << where;
    EXPECT_EQ(entry[0], e.attr) << where << " attribute";
    EXPECT_EQ(entry[1], e.len) << where << " length";
    EXPECT_EQ(field_of(entry), std::string(e.field)) << where << " characters";
}

void expect_block(TextLanguage lang, const Expected (&rows)[31], const char* name) {
    const TextBlock& block = text_block(lang);
    for (int n = 0; n < TextBlockEntries; ++n)
        expect_entry(block.data() + TextEntrySize * n, rows[n],
                     std::string(name) + " entry " + std::to_string(n));
}

TEST(LanguageTables, EnglishBlockEntryByEntry) {
    expect_block(TextLanguage::English, English, "English");
}
TEST(LanguageTables, SpanishBlockEntryByEntry) {
    expect_block(TextLanguage::Spanish, Spanish, "Spanish");
}
TEST(LanguageTables, FrenchBlockEntryByEntry) {
    expect_block(TextLanguage::French, French, "French");
}
TEST(LanguageTables, GermanBlockEntryByEntry) {
    expect_block(TextLanguage::German, German, "German");
}

// Checksums of every block worked out apart from these tables; a single wrong, missing or
// swapped byte anywhere in a block changes them.
TEST(LanguageTables, WholeBlockChecksums) {
    struct {
        TextLanguage lang;
        uint32_t crc;
        uint32_t sum;
    } const cases[] = {
        {TextLanguage::English, 0x7E2C1FF3u, 31921},
        {TextLanguage::Spanish, 0x59592A58u, 33649},
        {TextLanguage::French, 0xF0F988D6u, 36881},
        {TextLanguage::German, 0x1FD7FD75u, 46440},
    };
    for (const auto& c : cases) {
        const TextBlock& b = text_block(c.lang);
        uint32_t sum = 0;
        for (uint8_t x : b)
            sum += x;
        EXPECT_EQ(sum, c.sum) << static_cast<int>(c.lang);
        EXPECT_EQ(crc32(b.data(), b.size()), c.crc) << static_cast<int>(c.lang);
    }
}

TEST(LanguageTables, LengthNeverExceedsTheField) {
    for (auto lang : {TextLanguage::English, TextLanguage::Spanish, TextLanguage::French,
                      TextLanguage::German}) {
        const TextBlock& b = text_block(lang);
        for (int n = 0; n < TextBlockEntries; ++n)
            EXPECT_LE(b[TextEntrySize * n + 1], TextEntryMaxChars);
    }
}

TEST(LanguageTables, FlashOnlyEntries) {
    const Expected flash{0x43, 10, "FLASH ONLY        "};
    expect_entry(flash_only_entry(TextLanguage::English).data(), flash, "English flash");
    expect_entry(flash_only_entry(TextLanguage::Spanish).data(), flash, "Spanish flash");
    expect_entry(flash_only_entry(TextLanguage::French).data(), flash, "French flash");
    expect_entry(flash_only_entry(TextLanguage::German).data(), {0x43, 11, "Nur Blinken       "},
                 "German flash");
}

TEST(LanguageTables, HistoryPairsKeepTheLettersPastTheLength) {
    const HistoryPair* fr = language_history_pair(TextLanguage::French);
    ASSERT_NE(fr, nullptr);
    expect_entry(fr->data(), {0x45, 10, "HISTORIQUEY       "}, "French history 1");
    expect_entry(fr->data() + 20, {0x25, 10, "HISTORIQUET       "}, "French history 2");

    const HistoryPair* de = language_history_pair(TextLanguage::German);
    ASSERT_NE(de, nullptr);
    expect_entry(de->data(), {0x43, 14, "Verlauf einst.    "}, "German history 1");
    expect_entry(de->data() + 20, {0x25, 14, "Verlauf einst.    "}, "German history 2");

    EXPECT_EQ(language_history_pair(TextLanguage::English), nullptr);
    EXPECT_EQ(language_history_pair(TextLanguage::Spanish), nullptr);

    const HistoryPair& en = default_history_pair();
    expect_entry(en.data(), {0x46, 11, "SET HISTORY       "}, "English history 1");
    expect_entry(en.data() + 20, {0x24, 11, "HISTORY SET       "}, "English history 2");
}

TEST(LanguageTables, NationalLettersAreSingleLatin1Bytes) {
    // "Vergrößern": ö = 246, ß = 223, stored as one byte each, length 10.
    const uint8_t* e = text_block(TextLanguage::German).data() + 27 * TextEntrySize;
    EXPECT_EQ(e[1], 10);
    EXPECT_EQ(e[2 + 5], 246);
    EXPECT_EQ(e[2 + 6], 223);
    EXPECT_EQ(e[2 + 9], 'n');
    EXPECT_EQ(e[2 + 10], ' ');
}

} // namespace
} // namespace kpr
