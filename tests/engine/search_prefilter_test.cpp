// The search narrowed by the store's search text finds exactly what reading every record finds, on a
// random store of texts whose folding is not ASCII's, searched for pieces of those texts in every way.
#include <gtest/gtest.h>

#include <random>

#include "engine/search_thread.h"
#include "tests/engine/calendar_store.h"
#include "tests/engine/contacts_store.h"
#include "tests/engine/notes_tree.h"
#include "tests/engine/task_store.h"

namespace {

// Kelvin sign, dotted capital I, sharp s, accents, telephone punctuation, wildcards, an escape, an
// unpaired surrogate and the search text's separator.
const std::u16string kWords[] = {u"\u212Aelvin", u"kelvin", u"\u0130stanbul", u"Stra\u00DFe", u"STRASSE",
                                 u"\u00C9mile", u"emile", u"Blue", u"Heron", u"(555) 123-4567", u"a*b?c",
                                 u"back\\slash", u"x\xD800y", u"p\u0001q", u"SiNk-up"};

using SearchPrefilterTest = notestest::NotesSandbox;

TEST_F(SearchPrefilterTest, NarrowedSearchFindsWhatTheFullReadFinds)
{
    std::mt19937 random(25);
    auto words = [&](unsigned most) {
        std::u16string text = kWords[random() % std::size(kWords)];
        for (unsigned n = random() % most; n > 0; --n) text += u" " + kWords[random() % std::size(kWords)];
        return text;
    };
    for (int i = 0; i < 40; ++i) {
        contacttest::WriteContact({.given = words(2), .surname = words(1), .fileAs = words(2),
                                   .businessCity = words(2), .mobilePhone = words(2)});
        tasktest::WriteTask({.subject = (i % 5 ? u"" : u"B2: ") + words(3)});
        caltest::WriteAppointment({.subject = words(2), .start = caltest::Date(2026, 12, 1 + i % 28),
                                   .location = words(2)});
    }
    std::vector<std::u16string> texts = {u"\u212A", u"i\u0307", u"stra\u00DFe", u"strasse", u"\u00E9MILE",
                                         u"blue heron", u"5551234", u"123-45", u"bl?e*on", u"st*e", u"?", u"* *",
                                         u"a\\*", u"\xD800", u"p\u0001q", u"e "};
    for (int i = 0; i < 10; ++i) {
        const std::u16string& word = kWords[random() % std::size(kWords)];
        const size_t from = random() % word.size();
        texts.push_back(word.substr(from, 1 + random() % (word.size() - from)));
    }
    for (const std::u16string& text : texts) {
        for (const DWORD scope : {kSearchFieldsAll, kSearchFieldsPhones, kSearchFieldsNames, kSearchFieldsLocation}) {
            for (const DWORD anywhere : {1, 0}) {
                std::vector<std::pair<DWORD, CEOID>> hits[2];
                for (const bool prefilter : {false, true}) {
                    CSearchThread search;
                    search.SetStorePrefilter(prefilter);
                    _KSSEARCH p;
                    p.contacts = p.tasks = p.calendar = p.noSideDatabases = 1;
                    p.fieldScope = scope;
                    p.anywhere = anywhere;
                    p.searchText = const_cast<WCHAR*>(text.c_str());
                    ASSERT_TRUE(search.SetParams(&p));
                    ASSERT_TRUE(loadertest::RunLoad(search));
                    for (DATAGENERAL* hit : search.GetDataList()) hits[prefilter].emplace_back(hit->kind, hit->oid);
                }
                EXPECT_EQ(hits[1], hits[0]) << WideToUtf8(text) << " scope " << scope << " anywhere " << anywhere;
            }
        }
    }
}

}  // namespace
