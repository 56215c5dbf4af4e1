// The contact chooser: asks the user to pick a contact. The dialog itself
// belongs to the window layer; here the question goes through the UI host
// (question kContactChooserQuestion, answered with a contact's OID, 0 for
// none or cancelled), so tests and the command-line tool can answer it.
#pragma once

#include <string_view>

#include "platform/base/export.h"
#include "platform/base/types.h"

inline constexpr std::u16string_view kContactChooserQuestion = u"ContactChooser";

// The OID of the chosen contact, or 0 when the user chose none.
KSTOOLS_API long ShowContactChooser(HWND parent);
