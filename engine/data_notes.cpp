#include "engine/data_notes.h"

DATANOTES::DATANOTES() : parent(nullptr) { NullData(true); }

DATANOTES::~DATANOTES() = default;

int DATANOTES::TotalNumChildren() const
{
    int total = 0;
    for (const DATANOTES* child : children) total += 1 + child->TotalNumChildren();
    return total;
}

void DATANOTES::NullData(bool all)
{
    id = 0;
    name.Empty();
    path.Empty();
    categories.Empty();
    created = modified = alarm = FILETIME{0, 0};
    size = 0;
    isPrivate = hasAlarm = 0;
    colour = 0;
    hiddenFolder = 0;
    reservedOne = 1;
    kind = kNoteKindFolder;
    folder = 0;
    shown = 0;
    if (all) {
        children.clear();
        expanded = 0;
        parentId = 0;
        depth = 0;
        parent = nullptr;
    }
}
