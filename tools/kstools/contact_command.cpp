// kstools contact show|edit|beam: one contact read, changed and beamed as its
// editor would, through CContact.
#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

#include "items/c_contact.h"
#include "items/c_task_settings.h"
#include "platform/files/find_files.h"
#include "platform/objectmodel/outlook_folder.h"
#include "platform/text/utf8.h"
#include "platform/time/variant_time.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/date_argument.h"
#include "tools/kstools/list_picture.h"
#include "tools/kstools/outbox_files.h"
#include "tools/kstools/outlook_session.h"
#include "tools/kstools/store_value.h"

namespace kstools {
namespace {

using Json = nlohmann::ordered_json;

struct ContactOptions {
    std::string oid;
    std::vector<std::string> assignments;
    ListPictureOptions picture;
    bool json = false;
    bool summary = false;
};

Json DayJson(double date)
{
    SYSTEMTIME st{};
    if (task_item::IsNoDate(date) || date <= 0 || !VariantTimeToSystemTime(date, &st)) return nullptr;
    return FormatIsoDate(st);
}

Json ContactJson(CContact& contact)
{
    Json json{{"oid", contact.Oid()}};
    for (int i = 0; i < CContact::kFieldCount; ++i) {
        const auto field = static_cast<CContact::Field>(i);
        json[CContact::FieldName(field)] = WideToUtf8(contact.Text(field));
    }
    json["Birthday"] = DayJson(contact.Birthday());
    json["Anniversary"] = DayJson(contact.Anniversary());
    json["Body"] = WideToUtf8(contact.Body());
    WCHAR* path = nullptr;
    bool company = false;
    json["Picture"] = contact.GetPicture(&path, &company) ? Json(WideToUtf8(path)) : Json(nullptr);
    std::free(path);
    return json;
}

void Print(CContact& contact, const ContactOptions& options)
{
    if (options.summary) {
        for (const std::u16string& row : contact.SummaryRows()) std::puts(WideToUtf8(row).c_str());
        return;
    }
    const Json json = ContactJson(contact);
    if (options.json) {
        std::puts(json.dump(2).c_str());
        return;
    }
    for (const auto& [key, value] : json.items()) {
        if (value.is_null() || (value.is_string() && value.get<std::string>().empty())) continue;
        std::printf("%-26s %s\n", (key + ":").c_str(),
                    value.is_string() ? value.get<std::string>().c_str() : value.dump().c_str());
    }
}

void Open(CContact& contact, const std::string& oidText)
{
    const CEOID oid = ParseOid(oidText);
    if (!contact.ReadOID(static_cast<long>(oid))) throw CommandError("no contact with OID " + oidText);
}

double WholeDayDate(const std::string& text)
{
    if (text.empty() || text == "none") return kNoOleDate;
    const DateArgument date = ParseDateArgument(text);
    DATE value = 0;
    SystemTimeToVariantTime(&date.time, &value);
    return static_cast<double>(static_cast<long long>(value));
}

// FIELD=VALUE: a field of the contact (its English name, any case), Birthday,
// Anniversary, Body or Picture (a device path; empty removes it).
void Apply(CContact& contact, const std::string& assignment)
{
    const size_t equals = assignment.find('=');
    if (equals == std::string::npos || equals == 0)
        throw CommandError("not FIELD=VALUE: '" + assignment + "'", kExitUsage);
    const std::string name = assignment.substr(0, equals);
    const std::string value = assignment.substr(equals + 1);
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (lower == "birthday") return contact.SetBirthday(WholeDayDate(value));
    if (lower == "anniversary") return contact.SetAnniversary(WholeDayDate(value));
    if (lower == "body" || lower == "note") return contact.SetBody(Utf8ToWide(value));
    if (lower == "picture") {
        if (value.empty()) return contact.RemovePicture();
        return contact.SetPicture(Utf8ToWide(value).c_str());
    }
    const int field = CContact::FieldFromName(Utf8ToWide(name));
    if (field < 0)
        throw CommandError("no contact field '" + name + "' (see kstools contact show --json for the names)",
                           kExitUsage);
    contact.SetText(static_cast<CContact::Field>(field), Utf8ToWide(value));
}

}  // namespace

void AddContactCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* contact = app.add_subcommand("contact", "Show, change, copy or beam one contact as its editor would");
    contact->require_subcommand(1);
    contact->footer("Exit codes: 0 done, 1 no such contact or the save failed, 2 bad arguments.");

    auto show = std::make_shared<ContactOptions>();
    CLI::App* showCommand = contact->add_subcommand("show", "Print a contact's fields, or its summary");
    showCommand->add_option("OID", show->oid, "The contact's OID (decimal or 0x-hex)")->required();
    showCommand->add_flag("--json", show->json,
                          "Print {oid, the fields by name, Birthday, Anniversary, Body, Picture}");
    showCommand->add_flag("--summary", show->summary, "Print the summary mark-up rows instead");
    AddListPictureOptions(*showCommand, show->picture);
    ctx.OnRun(showCommand, [show] {
        OutlookSession session;
        CContact contact;
        Open(contact, show->oid);
        if (!show->picture.png.empty()) {
            CListRows rows({static_cast<WORD>(show->picture.width)});
            for (std::u16string& row : contact.SummaryRows()) rows.AddItem(static_cast<DWORD>(contact.Oid()), {row});
            WriteListPicture(show->picture, rows);
        }
        Print(contact, *show);
    });

    auto edit = std::make_shared<ContactOptions>();
    CLI::App* editCommand = contact->add_subcommand("edit", "Change fields of a contact and print it");
    editCommand->add_option("OID", edit->oid, "The contact's OID (decimal or 0x-hex)")->required();
    editCommand->add_option("FIELD=VALUE", edit->assignments,
                            "Fields by their names (FirstName, MobileTelephoneNumber, Categories, ...), Birthday and "
                            "Anniversary (YYYY-MM-DD or none), Body, Picture (a device path; empty removes it)")
        ->required();
    editCommand->add_flag("--json", edit->json, "Print the contact as show --json does");
    ctx.OnRun(editCommand, [edit] {
        OutlookSession session;
        CContact contact;
        Open(contact, edit->oid);
        for (const std::string& assignment : edit->assignments) Apply(contact, assignment);
        if (contact.Save()) throw CommandError("the contact could not be saved");
        CContact stored;
        Open(stored, std::to_string(contact.Oid()));
        Print(stored, *edit);
    });

    auto beam = std::make_shared<ContactOptions>();
    CLI::App* beamCommand = contact->add_subcommand(
        "beam", "Beam a contact: as a vCard 3.0 file into the device's \\Outbox folder, or through the registered "
                "beaming add-in");
    beamCommand->add_option("OID", beam->oid, "The contact's OID (decimal or 0x-hex)")->required();
    ctx.OnRun(beamCommand, [beam] {
        OutlookSession session;
        CContact contact;
        Open(contact, beam->oid);
        const std::vector<std::string> before = OutboxFiles();
        if (!contact.SendViaIR()) throw CommandError("the contact could not be beamed");
        PrintNewOutboxFiles(before);
    });

    auto copy = std::make_shared<ContactOptions>();
    CLI::App* copyCommand = contact->add_subcommand(
        "copy", "Copy a contact (with its categories, and its links when the question is answered yes) and print "
                "the copy");
    copyCommand->add_option("OID", copy->oid, "The contact's OID (decimal or 0x-hex)")->required();
    copyCommand->add_flag("--json", copy->json, "Print the copy as show --json does");
    ctx.OnRun(copyCommand, [copy] {
        OutlookSession session;
        CContact contact;
        Open(contact, copy->oid);
        const long made = contact.Copy();
        if (!made) throw CommandError("the contact could not be copied");
        CContact stored;
        Open(stored, std::to_string(made));
        Print(stored, *copy);
    });
}

}  // namespace kstools
