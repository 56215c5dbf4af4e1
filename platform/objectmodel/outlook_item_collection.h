// The items of a folder, or of a restriction of them: a list of OIDs read
// through the database's first sort order (appointments by start, tasks by
// due date, contacts by file-as name), each item opened when asked for.
//
// Restrict and Find take the restriction form of outlook_query.h. Sort
// reorders by a published property name (stable, so equal values keep their
// order). IncludeRecurrences is kept as a flag: the collection lists each
// recurring appointment once, by its series.
#pragma once

#include <vector>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/outlook_object.h"
#include "platform/objectmodel/outlook_query.h"
#include "platform/objectmodel/pocket_outlook.h"
#include "platform/objectstore/cedb.h"

class OutlookApp;

class OutlookItemCollection final : public OutlookObject<IPOutlookItemCollection> {
public:
    // itemKind 0: items of several kinds (the infrared folder); Add,
    // Restrict, Find and Sort then fail with E_FAIL.
    OutlookItemCollection(OutlookApp* app, int itemKind, std::vector<CEOID> oids);

    HRESULT Add(IDispatch** item) override;
    HRESULT get_Count(int* count) override;
    HRESULT Find(BSTR restriction, IDispatch** item) override;
    HRESULT FindNext(IDispatch** item) override;
    HRESULT Item(int index, IDispatch** item) override;
    HRESULT Remove(int index) override;
    HRESULT Restrict(BSTR restriction, IPOutlookItemCollection** items) override;
    HRESULT Sort(BSTR property, VARIANT_BOOL descending) override;
    HRESULT get_IncludeRecurrences(VARIANT_BOOL* include) override;
    HRESULT put_IncludeRecurrences(VARIANT_BOOL include) override;
    HRESULT get_Application(IPOutlookApp** app) override;

private:
    ~OutlookItemCollection() override;  // out of line: OutlookApp is incomplete here
    // The first matching item at or after position start (S_OK, null: none).
    HRESULT FindFrom(size_t start, IDispatch** item);

    platform::ComRef<OutlookApp> app_;
    int itemKind_;
    std::vector<CEOID> oids_;
    VARIANT_BOOL includeRecurrences_ = VARIANT_FALSE;
    OutlookQuery find_;
    size_t findNext_ = 0;
};
