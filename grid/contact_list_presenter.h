// The contact list drawn in a grid: one column, the name in bold with the
// second-line field (a telephone number, a company...) at the right, and a
// grey line of categories and marks below. The headers of the group views
// (by company, category, city...) open and close.
#pragma once

#include <string>
#include <vector>

#include "grid/list_rows.h"

class DATACONTACTS;

// The one cell of a contact row; a call-log row's own mark-up as it is.
std::u16string ContactRowMarkup(const DATACONTACTS& contact);

// The rows of the loader's list, in its order.
CListRows ContactListRows(const std::vector<const DATACONTACTS*>& list);
