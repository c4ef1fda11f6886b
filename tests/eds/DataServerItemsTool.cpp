// dataserver-items: lists and changes the items of the data server's default
// calendar, address book and task list through the same object model that
// the replication uses, with the command line of build/pimstore (dump, add,
// set, delete), so that scripts/soak-pairs switches between the two stores by
// the program it calls. Test support, not a program for users.

#include "platform/automation/Application.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/base/ComError.h"
#include "platform/base/Signals.h"
#include "platform/base/Text.h"
#include "platform/eds/DataServerStore.h"
#include "platform/pimstore/PimSchema.h"
#include "platform/pimstore/tool/ItemToolText.h"

#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>
#include <vector>

namespace tarnwel {
namespace {

constexpr const char* kUsage =
    "Usage: dataserver-items COMMAND [ARGUMENTS]\n"
    "\n"
    "Works on the data server of the session bus ($DBUS_SESSION_BUS_ADDRESS).\n"
    "Commands:\n"
    "  dump                       every item of the three default folders with its\n"
    "                             properties as JSON, one per line\n"
    "  add KIND key=value...      a new item (KIND: appointment, contact or task) of the\n"
    "                             replication's own message class unless MessageClass= is\n"
    "                             given; prints its entry id\n"
    "  set ENTRYID key=value...   changes properties of an item and saves it\n"
    "  delete ENTRYID             deletes an item\n"
    "  clear                      deletes every item of the three default folders\n"
    "  batch                      runs the add, set and delete commands of standard\n"
    "                             input, one a line, words separated by tabs, in one\n"
    "                             batch of the store\n"
    "\n"
    "Dates are written \"YYYY-MM-DD HH:MM:SS\" (or \"YYYY-MM-DD\").\n";

constexpr const char* kEveryItem = "[LastModificationTime] > '1900-01-01'";
constexpr PimKind kKinds[] = {PimKind::appointment, PimKind::task, PimKind::contact};

using CUsageError = CItemToolUsageError;

// Puts key=value pairs on the item: MessageClass first, so that the user
// properties of the new class's form can be set in the same call.
void Apply(const COutlookItem& item, const CPimKindInfo& kind, const std::vector<std::string>& assignments)
{
    std::vector<std::pair<std::string, std::string>> pairs;
    for (const std::string& argument : assignments) {
        const std::size_t equals = argument.find('=');
        if (equals == std::string::npos || equals == 0)
            throw CUsageError("'" + argument + "' is no key=value pair");
        pairs.emplace_back(argument.substr(0, equals), argument.substr(equals + 1));
    }
    for (const auto& [key, value] : pairs)
        if (EqualsAsciiNoCase(key, "MessageClass"))
            item.SetMessageClass(value);
    for (const auto& [key, value] : pairs) {
        if (EqualsAsciiNoCase(key, "MessageClass"))
            continue;
        if (const CPimPropertyDef* property = kind.FindProperty(key)) {
            item.PutProperty(property->name, ParseItemToolValue(property->name, property->type, value));
            continue;
        }
        const CUserProperty user = item.GetUserProperties().Item(key);
        if (user.IsNull())
            throw CUsageError("a " + kind.name + " of the message class " + item.GetMessageClass() +
                              " has no property " + key);
        user.SetValue(CVariant(value));
    }
}

std::string JsonValue(PimType type, const CVariant& value)
{
    switch (type) {
    case PimType::date:
        return JsonText(value.ToDate().Format(kItemToolDateTimePattern));
    case PimType::boolean:
        return value.ToBool() ? "true" : "false";
    case PimType::integer:
        return std::to_string(value.ToInt());
    case PimType::text:
        break;
    }
    return JsonText(value.ToText());
}

// The items of a default folder, in the order the folder hands them out.
template <typename Visit>
void ForEachItem(const CNameSpace& space, const CPimKindInfo& kind, Visit visit)
{
    const CItems items = space.GetDefaultFolder(kind.folder).GetItems();
    for (COutlookItem item = items.Find(kEveryItem); !item.IsNull(); item = items.FindNext())
        visit(item);
}

void RequireCount(const std::vector<std::string>& words, std::size_t lowest, std::size_t highest)
{
    if (words.size() < lowest || words.size() > highest)
        throw CUsageError("wrong number of arguments for " + words[0] + " (see dataserver-items --help)");
}

// add, set or delete; the entry id of an added item is printed.
void Change(const CNameSpace& space, const std::vector<std::string>& words)
{
    const std::string& command = words[0];
    if (command == "add") {
        RequireCount(words, 2, SIZE_MAX);
        const CPimKindInfo* kind = PimKindNamed(words[1]);
        if (kind == nullptr)
            throw CUsageError("unknown kind " + words[1] + "; use appointment, contact or task");
        const COutlookItem item = space.GetDefaultFolder(kind->folder).GetItems().Add(kind->ownClass);
        Apply(item, *kind, std::vector<std::string>(words.begin() + 2, words.end()));
        item.Save();
        std::cout << item.GetEntryID() << '\n';
        return;
    }
    if (command != "set" && command != "delete")
        throw CUsageError("unknown command " + command + " (see dataserver-items --help)");
    RequireCount(words, 2, command == "set" ? SIZE_MAX : 2);
    const COutlookItem item = space.GetItemFromID(words[1]);
    if (command == "delete") {
        item.Delete();
        return;
    }
    const CPimKindInfo* kind = nullptr;
    for (const PimKind candidate : kKinds)
        if (item.GetMessageClass().rfind(PimKindInfo(candidate).baseClass, 0) == 0)
            kind = &PimKindInfo(candidate);
    if (kind == nullptr)
        throw CUsageError("the item " + words[1] + " is of the unknown message class " + item.GetMessageClass());
    Apply(item, *kind, std::vector<std::string>(words.begin() + 2, words.end()));
    item.Save();
}

std::vector<std::string> SplitTabs(const std::string& line)
{
    std::vector<std::string> words;
    std::size_t at = 0;
    for (std::size_t tab; (tab = line.find('\t', at)) != std::string::npos; at = tab + 1)
        words.push_back(line.substr(at, tab - at));
    words.push_back(line.substr(at));
    return words;
}

int Run(const std::vector<std::string>& arguments)
{
    if (arguments.empty())
        throw CUsageError("no command given (see dataserver-items --help)");
    if (arguments[0] == "--help" || arguments[0] == "-h") {
        std::cout << kUsage;
        return 0;
    }
    const CApplication application(OpenDataServerStore());
    const CNameSpace space = application.GetNamespace();
    const std::string& command = arguments[0];
    if (command == "dump") {
        RequireCount(arguments, 1, 1);
        for (const PimKind kindName : kKinds) {
            const CPimKindInfo& kind = PimKindInfo(kindName);
            ForEachItem(space, kind, [&kind](const COutlookItem& item) {
                std::string line = "{\"EntryID\":" + JsonText(item.GetEntryID()) + ",\"Kind\":" + JsonText(kind.name) +
                                   ",\"MessageClass\":" + JsonText(item.GetMessageClass()) +
                                   ",\"LastModificationTime\":" + JsonValue(PimType::date, CVariant(item.GetLastModificationTime()));
                for (const CPimPropertyDef& property : kind.properties)
                    line += "," + JsonText(property.name) + ":" + JsonValue(property.type, item.GetProperty(property.name));
                std::cout << line << "}\n";
            });
        }
        return 0;
    }
    if (command == "clear") {
        RequireCount(arguments, 1, 1);
        space.BeginBatch();
        for (const PimKind kind : kKinds)
            ForEachItem(space, PimKindInfo(kind), [](const COutlookItem& item) { item.Delete(); });
        space.CommitBatch();
        return 0;
    }
    if (command == "batch") {
        RequireCount(arguments, 1, 1);
        space.BeginBatch();
        for (std::string line; std::getline(std::cin, line);)
            if (!line.empty())
                Change(space, SplitTabs(line));
        space.CommitBatch();
        return 0;
    }
    Change(space, arguments);
    return 0;
}

} // namespace
} // namespace tarnwel

int main(int argc, char** argv)
{
    tarnwel::IgnoreFileWriteSignals();
    try {
        return tarnwel::Run(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const tarnwel::CUsageError& error) {
        std::cerr << "dataserver-items: " << error.what() << '\n';
    } catch (const tarnwel::CComError& error) {
        std::cerr << "dataserver-items: " << error.Description() << " (" << error.CodeText() << ")\n";
    } catch (const std::exception& error) {
        std::cerr << "dataserver-items: " << error.what() << '\n';
    }
    return 1;
}
