// CPocketOutlookIContext: the item that object-model add-ins' menu commands
// work on.
//
// A window that offers add-in commands for one item (a contact's "send
// with ..." entries, say) makes a context for the item's kind, points it at
// the item's OID and lets each add-in append its entries to the menu, each
// add-in within a range of command ids of its own. The command the user
// picks goes back to the add-in whose range holds it, together with the
// context; the add-in reads the item from the context as data in the
// clipboard format "ItemRefArray": an ItemRefArray with one reference.
//
//   CPocketOutlookIContext context(olContactItem);
//   context.SetOid(oid);
//   context.AddAddIn(&beam);
//   UINT next = context.QueryMenu(menu, kFirstAddInCommand, kLastAddInCommand);
//   ... context.InvokeCommand(chosen);
#pragma once

#include <vector>

#include "platform/base/types.h"
#include "platform/objectstore/cedb.h"

class CPocketOutlookIContext;

// One item of the store: the object model's item kind and the OID.
struct ItemRef {
    DWORD type;
    CEOID oid;
};

// The layout of the "ItemRefArray" format: a count and that many references.
struct ItemRefArray {
    DWORD cRefs;
    ItemRef rgRefs[1];
};

// An add-in's menu commands.
class IPimMenuAddIn {
public:
    // Appends the add-in's entries to `menu` with ids from firstId, none
    // above lastId; the number of ids it used.
    virtual UINT AddMenuItems(HMENU menu, UINT firstId, UINT lastId) = 0;
    // Runs the add-in's entry `offset` (0 for its first id) on the context's item.
    virtual HRESULT InvokeCommand(UINT offset, const CPocketOutlookIContext& context) = 0;

protected:
    ~IPimMenuAddIn() = default;
};

class CPocketOutlookIContext {
public:
    // dataType: the object model's item kind (olContactItem, olTaskItem, ...).
    explicit CPocketOutlookIContext(int dataType) : m_dataType(dataType) {}

    int GetDataType() const { return m_dataType; }
    void SetOid(CEOID oid) { m_oid = oid; }
    CEOID GetOid() const { return m_oid; }

    // The registered "ItemRefArray" clipboard format.
    static UINT ItemRefArrayFormat();
    // A new local block (freed with LocalFree) holding the item in `format`;
    // null for any other format, before an OID is set, or without memory.
    HLOCAL GetData(UINT format) const;

    // Add-ins are not owned; each keeps its place in the menu's order.
    void AddAddIn(IPimMenuAddIn* addIn);
    // Lets each add-in append its entries, from firstId up to lastId at most,
    // replacing the ranges of an earlier menu; the first id left unused.
    UINT QueryMenu(HMENU menu, UINT firstId, UINT lastId);
    // Runs command `id` through the add-in whose range holds it; S_FALSE when
    // none does, else the add-in's result.
    HRESULT InvokeCommand(UINT id) const;

private:
    struct Range {
        IPimMenuAddIn* addIn;
        UINT first;
        UINT count;
    };
    int m_dataType;
    CEOID m_oid = 0;
    std::vector<IPimMenuAddIn*> m_addIns;
    std::vector<Range> m_ranges;
};
