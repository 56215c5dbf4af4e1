// The contact properties a CContact field can stand for: the property, the
// IContact getter and setter, and the English name kstools and tests use.
#pragma once

#include "items/c_contact.h"
#include "platform/objectstore/cedb.h"

struct ContactFieldAccess {
    CEPROPID property;
    HRESULT (IContact::*get)(BSTR*);
    HRESULT (IContact::*put)(BSTR);
    const char* name;
};

// In the order of CContact::Field.
extern const ContactFieldAccess kContactFieldTable[CContact::kFieldCount];
// The entry of property; null for a property no field stands for.
const ContactFieldAccess* ContactFieldOf(ULONG property);
