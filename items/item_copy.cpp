#include "items/item_copy.h"

#include "categories/pim_record_categories.h"
#include "items/c_links.h"

void FinishItemCopy(platform::ComRef<IDispatch> copy, long made, long original, const std::u16string& categories)
{
    if (!categories.empty()) SaveCategoriesToPIMRecord(categories.c_str(), copy.InOut(), made, false);
    copy.Reset();
    CLinks::Copy(made, original, false);
}
