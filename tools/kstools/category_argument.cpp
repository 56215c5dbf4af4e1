#include "tools/kstools/category_argument.h"

#include <memory>

#include "categories/full_category_list.h"
#include "engine/ks_data_thread.h"
#include "platform/locale/compare_string.h"
#include "platform/text/utf8.h"
#include "tools/kstools/cli_context.h"

namespace kstools {

void SelectCategory(CKSDataThread& loader, const std::string& name)
{
    const std::u16string wanted = Utf8ToWide(name);
    auto all = std::make_unique<CePtrList<CFullCategory*>>();
    GetFullCategoryInfo(*all, true);
    CFullCategory* found = nullptr;
    for (CFullCategory* category : *all) {
        if (category->m_name && lstrcmpiW(category->m_name, wanted.c_str()) == 0) found = category;
    }
    if (!found) throw CommandError("no category is named \"" + name + "\"");
    auto selected = new CePtrList<CFullCategory*>;
    selected->Append(new CFullCategory(found->m_name, found->m_index, found->m_oid));
    CCategoryFilterInfo* info = nullptr;
    loader.GetCategoryRestrict(info);
    info->bHideCategories = kCategoryShowSelected;
    info->SetSelected(selected);
    loader.SetCategoryRestrict(false);
}

}  // namespace kstools
