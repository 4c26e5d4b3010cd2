// Built-in pager texts. Each entry is written as attribute, length, the text within the
// length and, where the table has one, what is stored past the length; the rest of the
// 18 character bytes are spaces. Texts are UTF-8 in this file and become Latin-1 bytes at
// compile time; a length that does not match its text fails the build.
#include "text/language_tables.h"

#include <stdexcept>

namespace kpr {
namespace {

struct EntryDef {
    uint8_t attr;
    uint8_t len;
    const char* text;
    const char* past = "";
};

// Decodes UTF-8 (code points up to U+00FF only) into Latin-1 bytes at out[pos...]; returns
// the new position. Anything else is a mistake in this file and stops the build.
constexpr int put_latin1(TextEntry& out, int pos, const char* s) {
    for (int i = 0; s[i] != '\0';) {
        const auto b0 = static_cast<unsigned char>(s[i]);
        unsigned code = 0;
        if (b0 < 0x80) {
            code = b0;
            i += 1;
        } else if ((b0 & 0xE0) == 0xC0) {
            const auto b1 = static_cast<unsigned char>(s[i + 1]);
            if ((b1 & 0xC0) != 0x80)
                throw std::logic_error("bad UTF-8 in a text table");
            code = ((b0 & 0x1Fu) << 6) | (b1 & 0x3Fu);
            i += 2;
        } else {
            throw std::logic_error("text table character outside Latin-1");
        }
        if (code > 0xFF)
            throw std::logic_error("text table character outside Latin-1");
        if (pos >= TextEntrySize)
            throw std::logic_error("text table entry longer than 18 characters");
        out[pos++] = static_cast<uint8_t>(code);
    }
    return pos;
}

constexpr TextEntry make_entry(const EntryDef& e) {
    TextEntry out{};
    for (auto& b : out)
        b = ' ';
    out[0] = e.attr;
    out[1] = e.len;
    const int end = put_latin1(out, 2, e.text);
    if (end - 2 != e.len || e.len > TextEntryMaxChars)
        throw std::logic_error("text table length byte does not match its text");
    put_latin1(out, end, e.past);
    return out;
}

template <std::size_t N>
constexpr std::array<uint8_t, N * TextEntrySize> make_entries(const EntryDef (&defs)[N]) {
    std::array<uint8_t, N * TextEntrySize> out{};
    for (std::size_t n = 0; n < N; ++n) {
        const TextEntry e = make_entry(defs[n]);
        for (int k = 0; k < TextEntrySize; ++k)
            out[n * TextEntrySize + k] = e[k];
    }
    return out;
}

constexpr EntryDef EnglishDefs[TextBlockEntries] = {
    {0x05, 8, "QUINTA  "},          // 0  power-up logo text
    {0x06, 8, "NO PAGES"},          // 1
    {0x49, 6, "ESCAPE"},            // 2
    {0x45, 12, "MESSAGE LOCK"},     // 3
    {0x44, 14, "MESSAGE UNLOCK"},   // 4
    {0x44, 14, "MESSAGE DELETE"},   // 5
    {0x46, 10, "DELETE ALL"},       // 6
    {0x45, 12, "MOVE TO MEMO"},     // 7
    {0x46, 10, "SET SCROLL"},       // 8
    {0x47, 8, "SET TIME"},          // 9
    {0x46, 9, "SET ALARM"},         // 10
    {0x46, 9, "SET ALERT"},         // 11
    {0x46, 9, "PAGER OFF"},         // 12
    {0x00, 9, "TONE ONLY"},         // 13
    {0x43, 5, "SLEEP"},             // 14
    {0x43, 6, "SILENT"},            // 15
    {0x45, 11, "PAGER OFF ?"},      // 16
    {0x44, 16, "MESSAGE DELETE ?"}, // 17
    {0x46, 12, "DELETE ALL ?"},     // 18
    {0x22, 8, "TIME SET"},          // 19
    {0x22, 9, "ALARM SET"},         // 20
    {0x22, 10, "SCROLL SET"},       // 21
    {0x44, 14, "AUTO SLEEP SET"},   // 22
    {0x27, 12, "START    END"},     // 23
    {0x46, 12, "MESSAGE AREA"},     // 24
    {0x45, 14, "MAIL DROP AREA"},   // 25
    {0x43, 16, "SILENT THEN BEEP"}, // 26
    {0x48, 7, "ZOOM IN"},           // 27
    {0x47, 8, "ZOOM OUT"},          // 28
    {0x47, 8, "CHIRP ON"},          // 29
    {0x46, 9, "CHIRP OFF"},         // 30
};

constexpr EntryDef SpanishDefs[TextBlockEntries] = {
    {0x05, 6, "QUINTA"},                 // 0
    {0x05, 11, "SIN MESAJES"},           // 1
    {0x42, 17, "ARRIBA PARA SALIR"},     // 2
    {0x42, 16, "BLOQUEAR MENSAJE"},      // 3
    {0x42, 16, "DESBLOQ. MENSAJE"},      // 4
    {0x47, 6, "BORRAR"},                 // 5
    {0x44, 12, "BORRAR TODOS"},          // 6
    {0x44, 12, "MOVER A MEMO", "BRETA"}, // 7
    {0x42, 16, "ROLLO DE MENSAJE"},      // 8
    {0x44, 12, "AJUSTAR HORA"},          // 9
    {0x43, 14, "AJUSTAR ALARMA"},        // 10
    {0x42, 17, "ALERTA SILENCIOSA"},     // 11
    {0x47, 6, "APAGAR"},                 // 12
    {0x06, 9, "SOLO TONO"},              // 13
    {0x44, 7, "DORMIDA"},                // 14
    {0x44, 10, "SILENCIOSA"},            // 15
    {0x46, 8, "APAGAR ?"},               // 16
    {0x46, 8, "BORRAR ?"},               // 17
    {0x44, 12, "BORRAR TODOS", " ?"},    // 18
    {0x04, 12, "AJUSTAR HORA"},          // 19
    {0x03, 14, "AJUSTAR ALARMA"},        // 20
    {0x02, 16, "ROLLO DE MENSAJE"},      // 21
    {0x44, 12, "AUTO DORMIDA"},          // 22
    {0x04, 11, "ON      OFF"},           // 23
    {0x44, 12, "MENSAJE AREA"},          // 24
    {0x43, 14, "MAIL DROP AREA"},        // 25
    {0x44, 11, "SILEN.-TONO"},           // 26
    {0x47, 7, "ZOOM IN"},                // 27
    {0x46, 8, "ZOOM OUT"},               // 28
    {0x46, 9, "TIMBRE ON"},              // 29
    {0x45, 10, "TIMBRE OFF"},            // 30
};

constexpr EntryDef FrenchDefs[TextBlockEntries] = {
    {0x05, 6, "QUINTA"},                 // 0
    {0x03, 14, "PAS DE MESSAGE"},        // 1
    {0x42, 16, "MONTER OU SORTIR", "R"}, // 2
    {0x44, 12, "VERROUILLAGE", "SAJE"},  // 3
    {0x43, 14, "DEVERROUILLAGE", "JE"},  // 4
    {0x45, 10, "EFFACEMENT"},            // 5
    {0x44, 12, "EFFACER TOUT"},          // 6
    {0x44, 13, "DEP > MEMOIRE", "RETA"}, // 7
    {0x43, 14, "Reg.DEFILEMENT", "JE"},  // 8
    {0x46, 9, "Reg.HEURE", "ERA"},       // 9
    {0x45, 10, "Reg.ALARME", "ARMA"},    // 10
    {0x45, 10, "Reg.ALERTE", "ENCIOSA"}, // 11
    {0x45, 11, "ARRET PAGER"},           // 12
    {0x05, 14, "TON UNIQUEMENT"},        // 13
    {0x44, 14, "MISE EN VEILLE"},        // 14
    {0x44, 10, "SILENCIEUX"},            // 15
    {0x44, 13, "ARRET PAGER ?"},         // 16
    {0x44, 12, "EFFACEMENT ?"},          // 17
    {0x43, 14, "EFFACER TOUT ?"},        // 18
    {0x06, 9, "Reg.HEURE", "ORA"},       // 19
    {0x05, 10, "Reg.ALARME", "ARMA"},    // 20
    {0x03, 14, "Reg.DEFILEMENT", "JE"},  // 21
    {0x45, 10, "REG.VEILLE", "DA"},      // 22
    {0x04, 11, "DEPART  FIN"},           // 23
    {0x42, 16, "ZONE DE MESSAGES"},      // 24
    {0x41, 18, "ZONE BOITE LETTRES"},    // 25
    {0x43, 18, "SILENCIEUX ET BEEP"},    // 26
    {0x46, 6, "LOUPE+", "UI"},           // 27
    {0x46, 6, "LOUPE-", "ON"},           // 28
    {0x42, 17, "AVEC MODE DISCRET"},     // 29
    {0x42, 17, "SANS MODE DISCRET"},     // 30
};

constexpr EntryDef GermanDefs[TextBlockEntries] = {
    {0x05, 8, "QUINTA  "},              // 0
    {0x03, 15, "Keine Nachricht"},      // 1
    {0x45, 11, "Menü/zurück"},          // 2
    {0x42, 17, "Nachricht sichern"},    // 3
    {0x42, 16, "Nachr. freigeben"},     // 4
    {0x42, 17, "Nachricht löschen"},    // 5
    {0x44, 12, "Alle löschen"},         // 6
    {0x42, 17, "Als Notiz sichern"},    // 7
    {0x45, 10, "Scrollrate"},           // 8
    {0x45, 11, "Uhr stellen"},          // 9
    {0x43, 14, "Wecker stellen"},       // 10
    {0x43, 15, "Alarmart wählen"},      // 11
    {0x46, 9, "Pager aus"},             // 12
    {0x00, 7, "Nur Ton", "LY"},         // 13
    {0x43, 13, "Stiller Alarm"},        // 14
    {0x43, 9, "Vibration"},             // 15
    {0x45, 11, "Pager aus ?"},          // 16
    {0x46, 9, "Löschen ?", "ELETE ?"},  // 17
    {0x43, 14, "Alle löschen ?"},       // 18
    {0x25, 11, "Uhr stellen"},          // 19
    {0x23, 14, "Wecker stellen"},       // 20
    {0x25, 10, "Scrollrate"},           // 21
    {0x42, 16, "Automat. Aussch."},     // 22
    {0x27, 13, "Start    Ende"},        // 23
    {0x43, 14, "Private Nachr."},       // 24
    {0x43, 15, "Öffentl. Nachr."},      // 25
    {0x43, 15, "Vibr., dann Ton", "P"}, // 26
    {0x45, 10, "Vergrößern"},           // 27
    {0x45, 11, "Verkleinern"},          // 28
    {0x44, 13, "Kurz-Piep ein"},        // 29
    {0x44, 13, "Kurz-Piep aus"},        // 30
};

constexpr EntryDef FlashOnlyDefs[4] = {
    {0x43, 10, "FLASH ONLY"},  // English
    {0x43, 10, "FLASH ONLY"},  // Spanish
    {0x43, 10, "FLASH ONLY"},  // French
    {0x43, 11, "Nur Blinken"}, // German
};

constexpr EntryDef FrenchHistoryDefs[2] = {
    {0x45, 10, "HISTORIQUE", "Y"},
    {0x25, 10, "HISTORIQUE", "T"},
};
constexpr EntryDef GermanHistoryDefs[2] = {
    {0x43, 14, "Verlauf einst."},
    {0x25, 14, "Verlauf einst."},
};
constexpr EntryDef EnglishHistoryDefs[2] = {
    {0x46, 11, "SET HISTORY"},
    {0x24, 11, "HISTORY SET"},
};

constexpr TextBlock Blocks[4] = {make_entries(EnglishDefs), make_entries(SpanishDefs),
                                 make_entries(FrenchDefs), make_entries(GermanDefs)};
constexpr TextEntry FlashOnly[4] = {make_entry(FlashOnlyDefs[0]), make_entry(FlashOnlyDefs[1]),
                                    make_entry(FlashOnlyDefs[2]), make_entry(FlashOnlyDefs[3])};
constexpr HistoryPair FrenchHistory = make_entries(FrenchHistoryDefs);
constexpr HistoryPair GermanHistory = make_entries(GermanHistoryDefs);
constexpr HistoryPair EnglishHistory = make_entries(EnglishHistoryDefs);

int index_of(TextLanguage lang) {
    const int i = static_cast<int>(lang);
    if (i < 0 || i > 3)
        throw std::invalid_argument("unknown text language");
    return i;
}

} // namespace

const TextBlock& text_block(TextLanguage lang) {
    return Blocks[index_of(lang)];
}

const TextEntry& flash_only_entry(TextLanguage lang) {
    return FlashOnly[index_of(lang)];
}

const HistoryPair* language_history_pair(TextLanguage lang) {
    switch (lang) {
    case TextLanguage::French:
        return &FrenchHistory;
    case TextLanguage::German:
        return &GermanHistory;
    case TextLanguage::English:
    case TextLanguage::Spanish:
        return nullptr;
    }
    throw std::invalid_argument("unknown text language");
}

const HistoryPair& default_history_pair() {
    return EnglishHistory;
}

} // namespace kpr
