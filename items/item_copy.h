// The last step of copying an appointment or contact through the object
// model: the copy's record gets the original's categories and links.
#pragma once

#include <string>

#include "platform/objectmodel/com_ref.h"
#include "platform/objectmodel/pocket_outlook.h"

// copy is the saved copy (its reference is released here, before the record
// is written past the object model); made its OID, original the OID it was
// copied from. The category blob is the store's own, so it is written again
// from categories (a category text; empty writes none). Links are copied
// after the links question.
void FinishItemCopy(platform::ComRef<IDispatch> copy, long made, long original, const std::u16string& categories);
