// kstools settings dump|get|set|delete|export|import: the suite's settings in
// the default settings file, another file of that format (--file) or the
// registry (--registry), through the library's settings store.
#include <cctype>
#include <charconv>
#include <cstdio>
#include <optional>
#include <string>

#include <nlohmann/json.hpp>

#include "platform/text/utf8.h"
#include "storage/ini_file.h"
#include "tools/kstools/commands.h"
#include "tools/kstools/settings_store.h"

namespace kstools {
namespace {

using Need = FileArgument::Need;

// ---- Values typed on the command line --------------------------------------

struct TypedValue {
    bool isNumber = false;
    ULONG number = 0;
    std::u16string text;
};

[[noreturn]] void NotANumber(const std::string& value) { throw CommandError("not a number: " + value, kExitUsage); }

bool HasDwordPrefix(const std::string& value)
{
    static constexpr char kPrefix[] = "dword:";
    if (value.size() < 6) return false;
    for (size_t i = 0; i < 6; ++i) {
        if (std::tolower(static_cast<unsigned char>(value[i])) != kPrefix[i]) return false;
    }
    return true;
}

// digits in base: the whole text, and it fits 32 bits.
ULONG ParseUnsigned(std::string_view digits, int base, const std::string& value)
{
    if (digits.empty()) NotANumber(value);
    unsigned long long number = 0;
    auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number, base);
    if (error != std::errc() || end != digits.data() + digits.size() || number > 0xFFFFFFFFull) NotANumber(value);
    return static_cast<ULONG>(number);
}

// "dword:" (any case) and hexadecimal digits, with or without 0x, is a
// number, as in a settings file; with --number a decimal text is one too;
// with --string any text is a string.
TypedValue ParseValue(const std::string& value, bool number, bool string)
{
    TypedValue typed;
    if (string) {
        typed.text = Utf8ToWide(value);
    } else if (HasDwordPrefix(value)) {
        std::string_view hex = std::string_view(value).substr(6);
        if (hex.size() >= 2 && hex[0] == '0' && (hex[1] == 'x' || hex[1] == 'X')) hex.remove_prefix(2);
        typed.isNumber = true;
        typed.number = ParseUnsigned(hex, 16, value);
    } else if (number) {
        typed.isNumber = true;
        typed.number = ParseUnsigned(value, 10, value);
    } else {
        typed.text = Utf8ToWide(value);
    }
    return typed;
}

// ---- Output ----------------------------------------------------------------

// The keys as the settings-file writer puts them, in UTF-8 with LF line ends.
std::string FormatTree(const std::vector<SettingsKeyValues>& tree)
{
    CRegistry::INIFile file(u"");
    for (const SettingsKeyValues& key : tree) {
        auto& section = file.SectionAt(file.OpenSection(key.section, nullptr));
        for (const SettingsEntry& value : key.values) {
            if (value.kind == REG_DWORD) file.SetNumber(section, value.name, value.number);
            if (value.kind == REG_SZ) file.SetString(section, value.name, value.text);
        }
    }
    std::u16string text = file.Format();
    std::u16string lines;
    lines.reserve(text.size());
    for (char16_t c : text) {
        if (c != u'\xFEFF' && c != u'\r') lines.push_back(c);
    }
    return WideToUtf8(lines);
}

nlohmann::ordered_json TreeJson(const std::vector<SettingsKeyValues>& tree)
{
    nlohmann::ordered_json out = nlohmann::ordered_json::object();
    for (const SettingsKeyValues& key : tree) {
        nlohmann::ordered_json values = nlohmann::ordered_json::object();
        for (const SettingsEntry& value : key.values) {
            if (value.kind == REG_DWORD) values[WideToUtf8(value.name)] = value.number;
            if (value.kind == REG_SZ) values[WideToUtf8(value.name)] = WideToUtf8(value.text);
        }
        if (!values.empty()) out[WideToUtf8(key.section)] = std::move(values);
    }
    return out;
}

[[noreturn]] void NoKey(const SettingsKey& key, const SettingsStore& store)
{
    throw CommandError("no key " + key.Display() + " in " + store.Name());
}

[[noreturn]] void NoValue(const std::string& name, const SettingsKey& key)
{
    throw CommandError("no value " + name + " in " + key.Display());
}

void RequireName(const std::string& name)
{
    if (name.empty()) throw CommandError("a value name cannot be empty (@ names the key's default value)", kExitUsage);
}

// ---- Subcommands -----------------------------------------------------------

struct DumpOptions {
    SettingsStoreOptions store;
    std::string key;
    bool json = false;
};

void RunDump(const DumpOptions& options)
{
    SettingsStore store(options.store, Need::Existing);
    std::optional<SettingsKey> key;
    if (!options.key.empty()) key = ParseSettingsKey(options.key);
    auto tree = store.ReadTree(key ? &*key : nullptr);
    if (!tree) NoKey(*key, store);
    if (options.json)
        std::puts(TreeJson(*tree).dump(2).c_str());
    else
        std::fputs(FormatTree(*tree).c_str(), stdout);
}

struct GetOptions {
    SettingsStoreOptions store;
    std::string key;
    std::string name;
    bool json = false;
};

void RunGet(const GetOptions& options)
{
    SettingsKey key = ParseSettingsKey(options.key);
    RequireName(options.name);
    SettingsStore store(options.store, Need::Existing);
    if (!store.Open(key)) NoKey(key, store);
    std::optional<SettingsEntry> value = store.Read(Utf8ToWide(options.name));
    if (!value) NoValue(options.name, key);
    nlohmann::ordered_json typed;
    if (value->kind == REG_DWORD) {
        typed = value->number;
    } else if (value->kind == REG_SZ) {
        typed = WideToUtf8(value->text);
    } else {
        throw CommandError(options.name + " in " + key.Display() + " is of registry type " +
                           std::to_string(value->kind) + ", which is neither a string nor a number");
    }
    if (options.json) {
        nlohmann::ordered_json out = {{"key", key.Display()}, {"name", options.name}, {"value", typed}};
        std::puts(out.dump(2).c_str());
    } else {
        std::puts(typed.is_string() ? typed.get<std::string>().c_str() : typed.dump().c_str());
    }
}

struct SetOptions {
    SettingsStoreOptions store;
    std::string key;
    std::string name;
    std::string value;
    bool number = false;
    bool string = false;
};

void RunSet(const SetOptions& options)
{
    SettingsKey key = ParseSettingsKey(options.key);
    RequireName(options.name);
    TypedValue value = ParseValue(options.value, options.number, options.string);
    SettingsStore store(options.store, Need::MayBeNew);
    store.Create(key);
    std::u16string name = Utf8ToWide(options.name);
    CRegistry& registry = store.Registry();
    LONG status = value.isNumber ? registry.SetValue(store.ValueName(name), value.number)
                                 : registry.SetValue(store.ValueName(name), value.text.c_str());
    if (status != 0) {
        std::string why = status == E_INVALIDARG && !store.IsRegistry() ? "too long for a line of a settings file"
                                                                        : DescribeStatus(status);
        throw CommandError("cannot set " + options.name + " in " + key.Display() + ": " + why);
    }
    store.Save();
}

struct DeleteOptions {
    SettingsStoreOptions store;
    std::string key;
    std::optional<std::string> name;
};

void RunDelete(const DeleteOptions& options)
{
    SettingsKey key = ParseSettingsKey(options.key);
    if (options.name) RequireName(*options.name);
    SettingsStore store(options.store, Need::Existing);
    CRegistry& registry = store.Registry();
    if (options.name) {
        std::u16string name = Utf8ToWide(*options.name);
        if (!store.Open(key)) NoKey(key, store);
        if (!store.Read(name)) NoValue(*options.name, key);
        LONG status = registry.DeleteValue(store.ValueName(name));
        if (status != 0) {
            throw CommandError("cannot delete " + *options.name + " in " + key.Display() + ": " +
                               DescribeStatus(status));
        }
    } else if (store.IsRegistry()) {
        if (!store.Open(key)) NoKey(key, store);
        LONG status = registry.DeleteKey(key.root, key.subkey.c_str());
        if (status != 0) throw CommandError("cannot delete " + key.Display() + ": " + DescribeStatus(status));
    } else {
        // A file's sections are flat: the sub-keys go one by one, as the registry drops them with the key.
        auto tree = store.ReadTree(&key);
        if (!tree) NoKey(key, store);
        for (const SettingsKeyValues& section : *tree) registry.DeleteKey(nullptr, section.section.c_str());
    }
    store.Save();
}

struct ExportOptions {
    SettingsStoreOptions store;
    std::string key;
    std::string file;
};

void RunExport(const ExportOptions& options)
{
    SettingsKey key = ParseSettingsKey(options.key);
    SettingsStore store(options.store, Need::Existing);
    if (!store.ReadTree(&key)) NoKey(key, store);
    FileArgument target(options.file, Need::MayBeNew);
    LONG status = store.Registry().ExportINIFile(key.root, key.subkey.c_str(), target.DevicePath().c_str(), nullptr);
    if (status != 0) {
        throw CommandError("cannot export " + key.Display() + " to " + target.Label() + ": " + DescribeStatus(status));
    }
    target.Publish();
}

struct ImportOptions {
    SettingsStoreOptions store;
    std::string file;
};

void RunImport(const ImportOptions& options)
{
    FileArgument source(options.file, Need::Existing);
    SettingsStore store(options.store, Need::MayBeNew);
    LONG status = store.IsRegistry() ? CRegistry::ImportINIFile(source.DevicePath().c_str())
                                     : store.Registry().AppendINIFile(source.DevicePath().c_str(), nullptr, nullptr);
    if (status != 0) {
        throw CommandError("cannot import " + source.Label() + " into " + store.Name() + ": " + DescribeStatus(status));
    }
    store.Save();
}

// ---- Wiring ----------------------------------------------------------------

constexpr const char* kFileHelp =
    "Work on another file of the settings-file format: a path of this computer, or a device path when it "
    "starts with '\\' or holds %s (the suite's data directory)";

void AddStoreOptions(CLI::App* cmd, SettingsStoreOptions& store)
{
    CLI::Option* registry =
        cmd->add_flag("--registry", store.registry, "Work on the registry instead of the settings file");
    CLI::Option* file = cmd->add_option("--file", store.file, kFileHelp);
    registry->excludes(file);
}

}  // namespace

void AddSettingsCommand(CLI::App& app, CliContext& ctx)
{
    CLI::App* settings = app.add_subcommand(
        "settings",
        "Read and change the suite's settings: by default the settings file \\Application Data\\Corvid\\Settings.txt "
        "of the device folder in the data directory; --file works on another file of the same format, --registry on "
        "the registry");
    settings->require_subcommand(1);
    settings->footer(
        "KEY is written like HKEY_CURRENT_USER\\Software\\Corvid\\Kestrel\\TV ('/' may stand for '\\'); without a root "
        "name (HKEY_CLASSES_ROOT, HKEY_CURRENT_USER, HKEY_LOCAL_MACHINE, HKEY_USERS) it lies under "
        "HKEY_CURRENT_USER. NAME @ is the key's default value. Exit codes: 0 done, 1 no such key or value or a "
        "failed write, 2 bad arguments, bad numbers and unreadable files.");

    auto dump = std::make_shared<DumpOptions>();
    CLI::App* dumpCmd = settings->add_subcommand(
        "dump",
        "Print KEY and the keys below it (in a file: the sections named KEY or beginning with KEY and a backslash; "
        "default: the whole file, or all of HKEY_CURRENT_USER in the registry) in the settings-file format, as UTF-8 "
        "text with LF line ends. Exits 1 when KEY is missing");
    dumpCmd->add_option("KEY", dump->key, "Key to print with its sub-keys");
    dumpCmd->add_flag("--json", dump->json, "Print {key: {name: value}}, numbers as JSON numbers");
    AddStoreOptions(dumpCmd, dump->store);
    ctx.OnRun(dumpCmd, [dump] { RunDump(*dump); });

    auto get = std::make_shared<GetOptions>();
    CLI::App* getCmd = settings->add_subcommand(
        "get", "Print one value: a string as it stands, a number in decimal. Exits 1 when the key or value is missing");
    getCmd->add_option("KEY", get->key, "Key")->required();
    getCmd->add_option("NAME", get->name, "Value name")->required();
    getCmd->add_flag("--json", get->json, "Print {key, name, value}, a number as a JSON number");
    AddStoreOptions(getCmd, get->store);
    ctx.OnRun(getCmd, [get] { RunGet(*get); });

    auto set = std::make_shared<SetOptions>();
    CLI::App* setCmd = settings->add_subcommand(
        "set",
        "Set one value, creating the key when it is missing, and save. A VALUE of \"dword:\" (any case) and up to "
        "eight hexadecimal digits is a number (dword:1A is 26); anything else is a string. A value too long for a "
        "line of a settings file is refused (invalid argument)");
    setCmd->add_option("KEY", set->key, "Key")->required();
    setCmd->add_option("NAME", set->name, "Value name")->required();
    setCmd->add_option("VALUE", set->value, "Value: text, or dword:HEX for a number")->required();
    CLI::Option* number =
        setCmd->add_flag("--number", set->number, "Also take a decimal VALUE (0 to 4294967295) as a number");
    setCmd->add_flag("--string", set->string, "Take VALUE as a string, also when it begins with \"dword:\"")
        ->excludes(number);
    AddStoreOptions(setCmd, set->store);
    ctx.OnRun(setCmd, [set] { RunSet(*set); });

    auto del = std::make_shared<DeleteOptions>();
    CLI::App* deleteCmd = settings->add_subcommand(
        "delete",
        "Delete one value, or without NAME the key with all keys below it, and save. Exits 1 when it is missing");
    deleteCmd->add_option("KEY", del->key, "Key")->required();
    deleteCmd->add_option("NAME", del->name, "Value name");
    AddStoreOptions(deleteCmd, del->store);
    ctx.OnRun(deleteCmd, [del] { RunDelete(*del); });

    auto exp = std::make_shared<ExportOptions>();
    CLI::App* exportCmd = settings->add_subcommand(
        "export",
        "Copy KEY and the keys below it into FILE, a settings file (UTF-16 text); values FILE already holds stay "
        "unless exported over. Every key whose name begins with KEY's goes: those below it, and those beside it such "
        "as Kestrel2 for Kestrel");
    exportCmd->add_option("KEY", exp->key, "Key to export")->required();
    exportCmd
        ->add_option("FILE", exp->file,
                     "Target: a path of this computer, or a device path when it starts with "
                     "'\\' or holds %s")
        ->required();
    AddStoreOptions(exportCmd, exp->store);
    ctx.OnRun(exportCmd, [exp] { RunExport(*exp); });

    auto imp = std::make_shared<ImportOptions>();
    CLI::App* importCmd = settings->add_subcommand(
        "import", "Copy every key and value of FILE, a settings file, into the store (numbers stay numbers) and save");
    importCmd
        ->add_option("FILE", imp->file,
                     "Source: a path of this computer, or a device path when it starts with "
                     "'\\' or holds %s")
        ->required();
    AddStoreOptions(importCmd, imp->store);
    ctx.OnRun(importCmd, [imp] { RunImport(*imp); });
}

}  // namespace kstools
