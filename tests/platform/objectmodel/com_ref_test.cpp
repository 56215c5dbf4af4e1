// ComRef: which operations release, hand on or add a reference.
#include "platform/objectmodel/com_ref.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "platform/objectmodel/pocket_outlook.h"

namespace {

using platform::ComRef;

// Starts with the test's own reference; answers QueryInterface for kIid unless told not to.
struct Counted {
    static constexpr const IID& kIid = IID_ITask;
    int refs = 1;
    bool answers = true;
    HRESULT QueryInterface(REFIID iid, void** out)
    {
        *out = answers && IsEqualIID(iid, kIid) ? (++refs, this) : nullptr;
        return *out ? S_OK : E_NOINTERFACE;
    }
    ULONG AddRef() { return static_cast<ULONG>(++refs); }
    ULONG Release() { return static_cast<ULONG>(--refs); }
};

TEST(ComRef, ReleasesWhatItHoldsOnceAndHandsReferencesOnWhole)
{
    struct Case {
        const char* what;
        std::function<void(Counted& a, Counted& b)> run;
        int aAfter;  // a's count once every ComRef of the case is gone (b's is 1)
    };
    const Case cases[] = {
        {"Put releases the old reference before the new one is put in, a second Reset nothing",
         [](Counted& a, Counted& b) {
             ComRef<Counted> ref = ComRef<Counted>::Share(&a);
             Counted** slot = ref.Put();
             EXPECT_EQ(a.refs, 1);
             *slot = (b.AddRef(), &b);
             ref.Reset();
             ref.Reset();
         },
         1},
        {"Detach hands the reference to the caller",
         [](Counted& a, Counted&) {
             ComRef<Counted> ref = ComRef<Counted>::Share(&a);
             EXPECT_EQ(ref.Detach(), &a);
             EXPECT_FALSE(ref);
         },
         2},
        {"moves take the reference along; move assignment releases the target's, onto itself keeps it",
         [](Counted& a, Counted& b) {
             ComRef<Counted> from = ComRef<Counted>::Share(&a);
             ComRef<Counted> to = ComRef<Counted>::Share(&b);
             to = ComRef<Counted>(std::move(from));
             EXPECT_EQ(from.Get(), nullptr);
             EXPECT_EQ(b.refs, 1);
             ComRef<Counted>& same = to;
             to = std::move(same);
             EXPECT_EQ(to.Get(), &a);
             EXPECT_EQ(a.refs, 2);
         },
         1},
        {"Query adds a reference of its own, and is empty for null or no such interface",
         [](Counted& a, Counted&) {
             const auto ref = ComRef<Counted>::Query(&a);
             EXPECT_EQ(a.refs, 2);
             a.answers = false;
             EXPECT_FALSE(ComRef<Counted>::Query(&a));
             EXPECT_FALSE(ComRef<Counted>::Query(static_cast<Counted*>(nullptr)));
         },
         1},
        {"Share adds a reference of its own that goes with the ComRef, and is empty for null",
         [](Counted& a, Counted&) {
             {
                 const auto ref = ComRef<Counted>::Share(&a);
                 EXPECT_EQ(ref.Get(), &a);
                 EXPECT_EQ(a.refs, 2);
             }
             EXPECT_EQ(a.refs, 1);
             EXPECT_FALSE(ComRef<Counted>::Share(nullptr));
         },
         1},
        {"InOut lets a callee release the reference and leave another",
         [](Counted& a, Counted& b) {
             ComRef<Counted> ref = ComRef<Counted>::Share(&a);
             Counted** slot = ref.InOut();
             EXPECT_EQ(a.refs, 2) << "nothing released before the call";
             (*slot)->Release();
             *slot = (b.AddRef(), &b);
         },
         1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Counted a, b;
        c.run(a, b);
        EXPECT_EQ(a.refs, c.aAfter);
        EXPECT_EQ(b.refs, 1);
    }
}

}  // namespace
