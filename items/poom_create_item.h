// POOMCREATEITEM: a request for a new task or appointment, from the lists'
// "new" commands and from other programs through the exported entry points.
#pragma once

#include "foundation/ce_ptr_list.h"
#include "platform/base/types.h"
#include "platform/objectmodel/pocket_outlook.h"

class CFullCategory;

struct POOMCREATEITEM {
    // The day (task) or the start (appointment); kNoOleDate for none / now.
    double date = kNoOleDate;
    // The subject to start with; null for none.
    const WCHAR* subject = nullptr;
    // Minutes (appointments).
    int duration = 0;
    // The categories selected in the list's filter; null for none.
    CePtrList<CFullCategory*>* categories = nullptr;
    // The selected categories are not to be applied.
    bool noCategories = false;
    // The selected categories are applied even when "bUseCatOnNew" is off.
    bool demandCategories = false;
    // Create without showing the editor.
    bool noEditor = false;
    // The ordering value of a new task (0 none); a fraction of .5 sets the
    // half flag.
    double order = 0;
};
