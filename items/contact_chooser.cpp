#include "items/contact_chooser.h"

#include "platform/ui/ui_host.h"

long ShowContactChooser(HWND)
{
    const int chosen = AskUser(kContactChooserQuestion, u"Choose a contact", 0);
    return chosen > 0 ? chosen : 0;
}
