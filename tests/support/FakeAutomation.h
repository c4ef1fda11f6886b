#pragma once
// Fake automation objects for tests: a property bag that stands behind any
// typed wrapper, and a small object model built from such bags (application,
// namespace, default folders, item collections, items, user properties) that
// a test registers under "Outlook.Application". Any single member of any fake
// can be made to fail with a chosen CComError, so tests reach every failure
// path of the code that calls the object model.

#include "platform/automation/DispatchObject.h"
#include "platform/automation/MemberName.h"
#include "platform/automation/ProgIdRegistry.h"
#include "platform/base/ComError.h"
#include "platform/base/Text.h"

#include <algorithm>
#include <cstdio>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace tarnwel::test {

// A property bag: Get returns what the test set or a put stored; a put stores
// the value and is recorded; methods are functions the test gives. A name that
// is neither set nor a method raises com_codes::kUnknownName.
class CFakeDispatch : public CDispatchObject {
public:
    using MethodFn = std::function<CVariant(const std::vector<CVariant>&)>;

    // Sets a property without recording a put.
    CFakeDispatch& Set(std::string_view name, CVariant value)
    {
        m_properties[std::string(name)] = std::move(value);
        return *this;
    }
    // The property's value; empty when it was never set.
    CVariant Value(std::string_view name) const
    {
        const auto it = m_properties.find(name);
        return it == m_properties.end() ? CVariant() : it->second;
    }
    bool Has(std::string_view name) const { return m_properties.find(name) != m_properties.end(); }

    CFakeDispatch& SetMethod(std::string_view name, MethodFn method)
    {
        m_methods[std::string(name)] = std::move(method);
        return *this;
    }

    // From now on every get, put or call of the member raises `error`.
    CFakeDispatch& Fail(std::string_view member, CComError error = CComError(com_codes::kFail, "Fake failure"))
    {
        m_failures.insert_or_assign(std::string(member), std::move(error));
        return *this;
    }
    void StopFailing(std::string_view member)
    {
        const auto it = m_failures.find(member);
        if (it != m_failures.end())
            m_failures.erase(it);
    }

    // The names put, in order (also puts that failed).
    const std::vector<std::string>& Puts() const { return m_puts; }
    bool WasPut(std::string_view name) const
    {
        return std::any_of(m_puts.begin(), m_puts.end(), [&](const std::string& put) { return EqualsAsciiNoCase(put, name); });
    }
    // Every member reached, in order: "get Name", "put Name" or "call Name".
    const std::vector<std::string>& Calls() const { return m_calls; }

    CVariant GetProperty(std::string_view name) override
    {
        Enter("get ", name);
        const auto it = m_properties.find(name);
        if (it == m_properties.end())
            throw CComError(com_codes::kUnknownName, "Unknown name: " + std::string(name));
        return it->second;
    }
    void PutProperty(std::string_view name, const CVariant& value) override
    {
        m_puts.emplace_back(name);
        Enter("put ", name);
        Set(name, value);
    }
    CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments) override
    {
        Enter("call ", name);
        const auto it = m_methods.find(name);
        if (it == m_methods.end())
            throw CComError(com_codes::kUnknownName, "Unknown name: " + std::string(name));
        return it->second(arguments);
    }

private:
    void Enter(const char* how, std::string_view name)
    {
        m_calls.push_back(how + std::string(name));
        const auto it = m_failures.find(name);
        if (it != m_failures.end())
            throw it->second;
    }

    template <class Value>
    using NameMap = std::unordered_map<std::string, Value, CMemberNameHash, CMemberNameEqual>;

    NameMap<CVariant> m_properties;
    NameMap<MethodFn> m_methods;
    NameMap<CComError> m_failures;
    std::vector<std::string> m_puts;
    std::vector<std::string> m_calls;
};

using FakePtr = std::shared_ptr<CFakeDispatch>;

// The user properties of a fake item: Item(name) gives the defined property
// (a bag with "Value") or no object.
class CFakeUserProperties : public CFakeDispatch {
public:
    CFakeUserProperties()
    {
        SetMethod("Item", [this](const std::vector<CVariant>& arguments) -> CVariant {
            if (arguments.empty())
                throw CComError(com_codes::kBadParamCount, "Item needs a name");
            const auto it = m_defined.find(arguments[0].ToText());
            return it == m_defined.end() ? CVariant() : CVariant(DispatchPtr(it->second));
        });
    }
    // Defines the property (as the item's form would) and returns it.
    FakePtr Define(std::string_view name, CVariant value = CVariant(""))
    {
        auto property = std::make_shared<CFakeDispatch>();
        property->Set("Value", std::move(value));
        m_defined[std::string(name)] = property;
        return property;
    }
    // The defined property, or none.
    FakePtr Property(std::string_view name) const
    {
        const auto it = m_defined.find(name);
        return it == m_defined.end() ? nullptr : it->second;
    }

private:
    std::unordered_map<std::string, FakePtr, CMemberNameHash, CMemberNameEqual> m_defined;
};

class CFakeItems;

// An item with every property that its kind (from the message class) offers,
// set to empty values, and the user properties its form defines. Save gives
// it an entry id when it has none, sets LastModificationTime to now and puts
// it into the collection that made it; Delete takes it out again.
class CFakeItem : public CFakeDispatch, public std::enable_shared_from_this<CFakeItem> {
public:
    explicit CFakeItem(std::string_view messageClass, std::weak_ptr<CFakeItems> collection = {});

    const std::shared_ptr<CFakeUserProperties>& UserProperties() const { return m_userProperties; }
    // The user property of that name (to read its value or make it fail), or none.
    FakePtr UserProperty(std::string_view name) const { return m_userProperties->Property(name); }

private:
    std::shared_ptr<CFakeUserProperties> m_userProperties = std::make_shared<CFakeUserProperties>();
    std::weak_ptr<CFakeItems> m_collection;
};

using FakeItemPtr = std::shared_ptr<CFakeItem>;

// The items of a fake folder. Find understands "[LastModificationTime] > 'date'"
// (any other filter matches every item) and, with FindNext, walks the items
// that matched when Find was called, passing over those deleted since.
class CFakeItems : public CFakeDispatch, public std::enable_shared_from_this<CFakeItems> {
public:
    CFakeItems()
    {
        SetMethod("Add", [this](const std::vector<CVariant>& arguments) -> CVariant {
            const std::string messageClass = arguments.empty() ? std::string("IPM.Note") : arguments[0].ToText();
            return DispatchPtr(std::make_shared<CFakeItem>(messageClass, weak_from_this()));
        });
        SetMethod("Find", [this](const std::vector<CVariant>& arguments) -> CVariant {
            m_filters.push_back(arguments.empty() ? std::string() : arguments[0].ToText());
            m_scan.clear();
            const std::optional<COleDate> since = FilterDate(m_filters.back());
            for (const FakeItemPtr& item : m_items)
                if (!since || item->Value("LastModificationTime").ToDate().IsAfter(*since))
                    m_scan.push_back(item);
            m_position = 0;
            return Next();
        });
        SetMethod("FindNext", [this](const std::vector<CVariant>&) { return Next(); });
    }

    // Puts a saved item into the folder: with an entry id and a modification time.
    FakeItemPtr AddSaved(std::string_view messageClass)
    {
        auto item = std::make_shared<CFakeItem>(messageClass, weak_from_this());
        item->Invoke("Save", {});
        return item;
    }
    // The folder's items. An item pushed here directly has no modification
    // time, so a date filter passes over it: prefer AddSaved or Save.
    std::vector<FakeItemPtr>& Items() { return m_items; }
    // The filter texts given to Find, in order.
    const std::vector<std::string>& Filters() const { return m_filters; }

private:
    static std::optional<COleDate> FilterDate(const std::string& filter)
    {
        const std::string prefix = "[LastModificationTime] > '";
        if (!StartsWith(filter, prefix) || filter.size() < prefix.size() + 1 || filter.back() != '\'')
            return std::nullopt;
        const COleDate date = COleDate::Parse(filter.substr(prefix.size(), filter.size() - prefix.size() - 1));
        return date.IsValid() ? std::optional<COleDate>(date) : std::nullopt;
    }
    CVariant Next()
    {
        while (m_position < m_scan.size()) {
            FakeItemPtr item = m_scan[m_position++].lock();
            if (item && std::find(m_items.begin(), m_items.end(), item) != m_items.end())
                return DispatchPtr(item);
        }
        return CVariant();
    }

    std::vector<FakeItemPtr> m_items;
    std::vector<std::weak_ptr<CFakeItem>> m_scan;
    std::size_t m_position = 0;
    std::vector<std::string> m_filters;
};

inline CFakeItem::CFakeItem(std::string_view messageClass, std::weak_ptr<CFakeItems> collection)
    : m_collection(std::move(collection))
{
    Set("EntryID", "").Set("MessageClass", messageClass).Set("LastModificationTime", COleDate::Null());
    Set("Body", "").Set("UserProperties", DispatchPtr(m_userProperties));
    const COleDate noDate = COleDate::FromFields(4501, 1, 1);
    if (StartsWith(messageClass, "IPM.Appointment")) {
        Set("IsRecurring", false).Set("Subject", "").Set("Location", "");
        Set("Start", noDate).Set("End", noDate).Set("AllDayEvent", false);
        if (messageClass == "IPM.Appointment.DRAVAppointment")
            m_userProperties->Define("Participants");
    } else if (StartsWith(messageClass, "IPM.Task")) {
        Set("IsRecurring", false).Set("Subject", "").Set("Importance", 1).Set("PercentComplete", 0);
        Set("DueDate", noDate).Set("ReminderOverrideDefault", false).Set("StartDate", noDate);
        if (messageClass == "IPM.Task.DRAVTask")
            for (const char* name : {"Participants", "Assignment", "TaskType"})
                m_userProperties->Define(name);
    } else if (StartsWith(messageClass, "IPM.Contact")) {
        for (const char* name :
             {"FirstName", "LastName", "Title", "Department", "JobTitle", "BusinessTelephoneNumber",
              "BusinessFaxNumber", "MobileTelephoneNumber", "Email1Address", "HomeAddress", "HomeTelephoneNumber",
              "HomeFaxNumber", "Home2TelephoneNumber", "Email3Address", "CompanyName", "BusinessAddressStreet",
              "BusinessAddressPostalCode", "BusinessAddressCity", "BusinessAddressCountry", "BusinessAddressState",
              "Business2TelephoneNumber", "OtherFaxNumber", "Email2Address", "BusinessHomePage"})
            Set(name, "");
        if (messageClass == "IPM.Contact.DRAVContact")
            for (const char* name : {"ContactSalutation", "AddressenStatus", "AddressenEmployees",
                                     "AddressenAppendix", "AddressenMisc", "AddressenComment"})
                m_userProperties->Define(name);
    }
    SetMethod("Save", [this](const std::vector<CVariant>&) -> CVariant {
        static int counter = 0;
        if (Value("EntryID").ToText().empty()) {
            char id[32];
            std::snprintf(id, sizeof id, "FAKE%08d", ++counter);
            Set("EntryID", id);
        }
        Set("LastModificationTime", COleDate::Now());
        if (auto collection = m_collection.lock()) {
            auto& items = collection->Items();
            if (std::find(items.begin(), items.end(), shared_from_this()) == items.end())
                items.push_back(shared_from_this());
        }
        return {};
    });
    SetMethod("Delete", [this](const std::vector<CVariant>&) -> CVariant {
        if (auto collection = m_collection.lock()) {
            auto& items = collection->Items();
            items.erase(std::remove(items.begin(), items.end(), shared_from_this()), items.end());
        }
        return {};
    });
}

// A whole fake object model: application -> namespace "MAPI" -> the default
// folders 9, 10 and 13 -> their item collections. While it lives it is
// registered under "Outlook.Application"; each creation gives the same
// application object.
class CFakeOutlook {
public:
    CFakeOutlook()
        : m_registration([this]() -> DispatchPtr {
              if (m_creationError)
                  throw *m_creationError;
              return application;
          })
    {
        application->SetMethod("GetNamespace", [this](const std::vector<CVariant>&) { return CVariant(DispatchPtr(nameSpace)); });
        nameSpace->SetMethod("Logon", [this](const std::vector<CVariant>& arguments) {
            logonArguments = arguments;
            return CVariant();
        });
        nameSpace->SetMethod("Logoff", [](const std::vector<CVariant>&) { return CVariant(); });
        nameSpace->SetMethod("GetItemFromID", [this](const std::vector<CVariant>& arguments) -> CVariant {
            const std::string entryId = arguments.empty() ? std::string() : arguments[0].ToText();
            for (const auto& [id, items] : itemsOf)
                for (const FakeItemPtr& item : items->Items())
                    if (item->Value("EntryID").ToText() == entryId)
                        return DispatchPtr(item);
            throw CComError(com_codes::kFail, "No item " + entryId);
        });
        nameSpace->SetMethod("GetDefaultFolder", [this](const std::vector<CVariant>& arguments) -> CVariant {
            const auto it = folders.find(arguments.empty() ? 0 : arguments[0].ToInt());
            if (it == folders.end())
                throw CComError(com_codes::kInvalidArgument, "No such default folder");
            return DispatchPtr(it->second);
        });
        for (int id : {9, 10, 13}) {
            auto folder = std::make_shared<CFakeDispatch>();
            auto items = std::make_shared<CFakeItems>();
            folder->Set("Items", DispatchPtr(items));
            folders[id] = folder;
            itemsOf[id] = items;
        }
    }
    CFakeOutlook(const CFakeOutlook&) = delete;
    CFakeOutlook& operator=(const CFakeOutlook&) = delete;

    // Creating the application raises `error` from now on.
    void FailCreation(CComError error) { m_creationError = std::move(error); }

    FakePtr application = std::make_shared<CFakeDispatch>();
    FakePtr nameSpace = std::make_shared<CFakeDispatch>();
    std::map<int, FakePtr> folders;
    std::map<int, std::shared_ptr<CFakeItems>> itemsOf;
    std::vector<CVariant> logonArguments;  // those of the last Logon

private:
    std::optional<CComError> m_creationError;
    CScopedProgIdRegistration m_registration;
};

} // namespace tarnwel::test
