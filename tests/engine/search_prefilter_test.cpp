// The search narrowed by the store's search text finds exactly what reading
// every record finds: a random store of texts whose case folding is not
// plain ASCII, searched for pieces of those texts in every way.
#include <gtest/gtest.h>

#include <random>

#include "engine/search_thread.h"
#include "tests/engine/calendar_store.h"
#include "tests/engine/contacts_store.h"
#include "tests/engine/notes_tree.h"
#include "tests/engine/task_store.h"

namespace {

// Words whose folding differs from ASCII's (Kelvin sign, dotted capital I,
// sharp s, accents), telephone punctuation, wildcard and escape characters,
// an unpaired surrogate and the search text's own separator.
const std::u16string kWords[] = {
    u"Kelvin", u"\u212Aelvin", u"\u0130stanbul", u"istanbul", u"Stra\u00DFe", u"STRASSE", u"\u00C9mile",
    u"emile", u"Blue", u"Heron", u"(555) 123-4567", u"555-1234", u"a*b?c", u"back\\slash", u"x\xD800y",
    u"p\u0001q", u"sink", u"SiNk-up",
};

class SearchPrefilterTest : public notestest::NotesSandbox {
protected:
    std::u16string Words(std::mt19937& random, int most)
    {
        std::u16string text;
        const int count = 1 + static_cast<int>(random() % static_cast<unsigned>(most));
        for (int i = 0; i < count; ++i)
            text += (i ? u" " : u"") + kWords[random() % std::size(kWords)];
        return text;
    }

    // The hits in their sorted order, as kind and OID.
    static std::vector<std::pair<DWORD, CEOID>> Hits(_KSSEARCH p, const std::u16string& text, bool prefilter)
    {
        CSearchThread search;
        search.SetStorePrefilter(prefilter);
        p.searchText = const_cast<WCHAR*>(text.c_str());
        EXPECT_TRUE(search.SetParams(&p));
        EXPECT_TRUE(loadertest::RunLoad(search));
        std::vector<std::pair<DWORD, CEOID>> hits;
        for (DATAGENERAL* hit : search.GetDataList()) hits.emplace_back(hit->kind, hit->oid);
        return hits;
    }
};

TEST_F(SearchPrefilterTest, NarrowedSearchFindsWhatTheFullReadFinds)
{
    std::mt19937 random(25);
    for (int i = 0; i < 40; ++i) {
        contacttest::WriteContact({.given = Words(random, 2), .surname = Words(random, 1), .fileAs = Words(random, 2),
                                   .businessCity = Words(random, 2), .mobilePhone = Words(random, 2)});
        tasktest::WriteTask({.subject = (i % 5 ? u"" : u"B2: ") + Words(random, 3)});
        caltest::WriteAppointment({.subject = Words(random, 2), .start = caltest::Date(2026, 12, 1 + i % 28),
                                   .location = Words(random, 2)});
    }
    std::vector<std::u16string> texts = {
        u"kelvin", u"\u212A", u"\u0130stanbul", u"i\u0307", u"stra\u00DFe", u"strasse", u"\u00E9mile", u"EMILE",
        u"blue heron", u"heron blue", u"5551234", u"123-45", u"(555", u"*heron", u"bl?e*on", u"st*e", u"?",
        u"* *", u"a\\*", u"back\\slash", u"\xD800", u"x\xD800", u"p\u0001q", u"sink-up", u"e ", u" s",
    };
    for (int i = 0; i < 12; ++i) {
        const std::u16string word = kWords[random() % std::size(kWords)];
        const size_t from = random() % word.size();
        texts.push_back(word.substr(from, 1 + random() % (word.size() - from)));
    }
    const DWORD scopes[] = {kSearchFieldsAll, kSearchFieldsPhones, kSearchFieldsNames, kSearchFieldsLocation,
                            kSearchFieldsText};
    for (const std::u16string& text : texts) {
        for (const DWORD scope : scopes) {
            for (const bool anywhere : {true, false}) {
                _KSSEARCH p;
                p.contacts = p.tasks = p.calendar = 1;
                p.noSideDatabases = 1;
                p.fieldScope = scope;
                p.anywhere = anywhere ? 1 : 0;
                const auto full = Hits(p, text, false);
                EXPECT_EQ(Hits(p, text, true), full)
                    << WideToUtf8(text) << " scope " << scope << (anywhere ? " anywhere" : " start");
            }
        }
    }
}

}  // namespace
