// pimstore: look at and change the local item store from the command line,
// as a person would in the mail/calendar program's own window.

#include "platform/base/ComError.h"
#include "platform/base/Signals.h"
#include "platform/base/Text.h"
#include "platform/pimstore/PimItem.h"
#include "platform/pimstore/PimStore.h"
#include "platform/pimstore/tool/ItemToolText.h"

#include <cstdio>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

constexpr const char* kUsage =
    "Usage: pimstore [--store FILE] COMMAND [ARGUMENTS]\n"
    "\n"
    "Commands:\n"
    "  list                       one line per item: entry id, kind, message class,\n"
    "                             last modification time, subject or name\n"
    "  show ENTRYID               every property of one item\n"
    "  add KIND key=value...      a new item (KIND: appointment, contact or task) of the\n"
    "                             replication's own message class unless MessageClass= is\n"
    "                             given; prints its entry id\n"
    "  set ENTRYID key=value...   changes properties of an item and saves it\n"
    "  delete ENTRYID             deletes an item\n"
    "  dump                       every item with all its properties as JSON, one per line\n"
    "\n"
    "Keys are property names (Subject, Start, IsRecurring, ...) and the user properties\n"
    "that the item's form defines (Participants, ...). Dates are written\n"
    "\"YYYY-MM-DD HH:MM:SS\" (or \"YYYY-MM-DD\"), booleans true/false or 1/0.\n"
    "\n"
    "The store is FILE, else $TARNWEL_PIMSTORE, else $XDG_DATA_HOME/tarnwel/pimstore.db\n"
    "(by default ~/.local/share/tarnwel/pimstore.db).\n";


// Bad input from the command line: its message is shown as it stands.
using CUsageError = CItemToolUsageError;

std::pair<std::string, std::string> SplitAssignment(const std::string& argument)
{
    const std::size_t equals = argument.find('=');
    if (equals == std::string::npos || equals == 0)
        throw CUsageError("'" + argument + "' is no key=value pair");
    return {argument.substr(0, equals), argument.substr(equals + 1)};
}

// Applies key=value pairs to the item: MessageClass first, so that the user
// properties of the new class's form can be set in the same call.
void Apply(CPimItem& item, const std::vector<std::string>& assignments)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& argument : assignments)
        pairs.push_back(SplitAssignment(argument));
    for (const auto& [key, value] : pairs)
        if (EqualsAsciiNoCase(key, "MessageClass")) {
            if (value.empty())
                throw CUsageError("MessageClass must not be empty");
            item.SetMessageClass(value);
        }
    const CPimKindInfo& kind = item.Kind();
    for (const auto& [key, value] : pairs) {
        if (EqualsAsciiNoCase(key, "MessageClass"))
            continue;
        if (EqualsAsciiNoCase(key, "IsRecurring") && kind.hasRecurrence) {
            item.SetRecurring(ParseItemToolValue(key, PimType::boolean, value).ToBool());
            continue;
        }
        if (const CPimPropertyDef* property = kind.FindProperty(key)) {
            item.SetValue(kind.IndexOf(*property),
                          ParseItemToolValue(property->name, property->type, value));
            continue;
        }
        bool found = false;
        for (const std::string& name : item.FormUserProperties())
            if (EqualsAsciiNoCase(name, key)) {
                item.SetUserValue(name, CVariant(value));
                found = true;
            }
        if (!found)
            throw CUsageError("a " + kind.name + " of the message class " + item.Row().messageClass +
                              " has no property " + key);
    }
}

std::string FormatValue(PimType type, const CVariant& value, bool json)
{
    switch (type) {
    case PimType::date: {
        const std::string text = value.ToDate().Format(kItemToolDateTimePattern);
        return json ? JsonText(text) : text;
    }
    case PimType::boolean:
        return value.ToBool() ? "true" : "false";
    case PimType::integer:
        return std::to_string(value.ToInt());
    case PimType::text:
        break;
    }
    return json ? JsonText(value.ToText()) : value.ToText();
}

// Every property of the item as (name, text) pairs, user properties last,
// in the form of a JSON value when `json` is set.
std::vector<std::pair<std::string, std::string>> Describe(CPimItem& item, bool json)
{
    const auto text = [json](const std::string& value) { return json ? JsonText(value) : value; };
    const CPimKindInfo& kind = item.Kind();
    std::vector<std::pair<std::string, std::string>> lines = {
        {"EntryID", text(item.Row().entryId)},
        {"Kind", text(kind.name)},
        {"MessageClass", text(item.Row().messageClass)},
        {"LastModificationTime", FormatValue(PimType::date, CVariant(item.Row().lastModificationTime), json)},
    };
    if (kind.hasRecurrence)
        lines.emplace_back("IsRecurring", item.Row().isRecurring ? "true" : "false");
    for (std::size_t index = 0; index < kind.properties.size(); ++index)
        lines.emplace_back(kind.properties[index].name, FormatValue(kind.properties[index].type, item.Value(index), json));
    return lines;
}

// The text of a property the item's kind has.
std::string TextOf(CPimItem& item, const char* name)
{
    const CPimKindInfo& kind = item.Kind();
    return item.Value(kind.IndexOf(*kind.FindProperty(name))).ToText();
}

std::shared_ptr<CPimItem> LoadItem(const std::shared_ptr<CPimDatabase>& database, const CPimItemRow& row)
{
    const CPimKindInfo* kind = PimKindOfFolder(row.folder);
    if (kind == nullptr)
        throw CComError(com_codes::kFail, "The item " + row.entryId + " lies in an unknown folder");
    return std::make_shared<CPimItem>(database, *kind, row);
}

std::shared_ptr<CPimItem> FindItem(const std::shared_ptr<CPimDatabase>& database, const std::string& entryId)
{
    const std::optional<CPimItemRow> row = database->ItemByEntryId(entryId);
    if (!row)
        throw CUsageError("no item has the entry id " + entryId);
    return LoadItem(database, *row);
}

void RequireCount(const std::vector<std::string>& arguments, std::size_t lowest, std::size_t highest)
{
    if (arguments.size() < lowest || arguments.size() > highest)
        throw CUsageError("wrong number of arguments for " + arguments[0] + " (see pimstore --help)");
}

int Run(std::vector<std::string> arguments)
{
    std::optional<std::string> store;
    for (std::size_t i = 0; i < arguments.size();) {
        if (arguments[i] == "--help" || arguments[i] == "-h") {
            std::cout << kUsage;
            return 0;
        }
        if (arguments[i] == "--store") {
            if (i + 1 >= arguments.size())
                throw CUsageError("--store needs a file name");
            store = arguments[i + 1];
            arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i), arguments.begin() + static_cast<std::ptrdiff_t>(i) + 2);
        } else if (StartsWith(arguments[i], "--store=")) {
            store = arguments[i].substr(8);
            arguments.erase(arguments.begin() + static_cast<std::ptrdiff_t>(i));
        } else if (StartsWith(arguments[i], "--")) {
            throw CUsageError("unknown option " + arguments[i] + " (see pimstore --help)");
        } else {
            ++i;
        }
    }
    if (arguments.empty())
        throw CUsageError("no command given (see pimstore --help)");

    const std::string& command = arguments[0];
    const bool known = command == "list" || command == "show" || command == "add" || command == "set" ||
                       command == "delete" || command == "dump";
    if (!known)
        throw CUsageError("unknown command " + command + " (see pimstore --help)");
    const auto database = CPimDatabase::Open(store ? *store : PimStorePath());

    if (command == "list" || command == "dump") {
        RequireCount(arguments, 1, 1);
        for (const CPimItemRow& row : database->AllItems()) {
            const auto item = LoadItem(database, row);
            if (command == "list") {
                const std::string title = item->Kind().kind == PimKind::contact
                                              ? TrimSpace(TextOf(*item, "FirstName") + " " + TextOf(*item, "LastName"))
                                              : TextOf(*item, "Subject");
                std::cout << row.entryId << '\t' << item->Kind().name << '\t' << row.messageClass << '\t'
                          << row.lastModificationTime.Format(kItemToolDateTimePattern) << '\t' << title << '\n';
                continue;
            }
            std::string line = "{";
            for (const auto& [name, value] : Describe(*item, true))
                line += JsonText(name) + ":" + value + ",";
            line += "\"UserProperties\":{";
            const char* separator = "";
            for (const auto& [name, value] : item->UserValues()) {
                line += separator + JsonText(name) + ":" + JsonText(value);
                separator = ",";
            }
            std::cout << line << "}}\n";
        }
        return 0;
    }
    if (command == "add") {
        RequireCount(arguments, 2, SIZE_MAX);
        const CPimKindInfo* kind = PimKindNamed(arguments[1]);
        if (kind == nullptr)
            throw CUsageError("unknown kind " + arguments[1] + "; use appointment, contact or task");
        CPimItemRow row;
        row.folder = kind->folder;
        row.messageClass = kind->ownClass;
        CPimItem item(database, *kind, row);
        Apply(item, std::vector<std::string>(arguments.begin() + 2, arguments.end()));
        item.Save();
        std::cout << item.Row().entryId << '\n';
        return 0;
    }
    RequireCount(arguments, 2, command == "set" ? SIZE_MAX : 2);
    const auto item = FindItem(database, arguments[1]);
    if (command == "show") {
        for (const auto& [name, value] : Describe(*item, false))
            std::cout << name << ": " << value << '\n';
        for (const auto& [name, value] : item->UserValues())
            std::cout << "UserProperties." << name << ": " << value << '\n';
    } else if (command == "set") {
        Apply(*item, std::vector<std::string>(arguments.begin() + 2, arguments.end()));
        item->Save();
    } else {
        item->Delete();
    }
    return 0;
}

} // namespace
} // namespace tarnwel

int main(int argc, char** argv)
{
    // A write past the file-size limit or into a closed pipe reports its
    // error (below) instead of ending the program silently.
    tarnwel::IgnoreFileWriteSignals();
    try {
        return tarnwel::Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const tarnwel::CUsageError& error) {
        std::cerr << "pimstore: " << error.what() << '\n';
    } catch (const tarnwel::CComError& error) {
        std::cerr << "pimstore: " << error.Description() << " (" << error.CodeText() << ")\n";
    } catch (const std::exception& error) {
        std::cerr << "pimstore: " << error.what() << '\n';
    }
    return 1;
}
