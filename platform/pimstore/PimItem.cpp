#include "platform/pimstore/PimItem.h"

#include "platform/automation/MemberName.h"
#include "platform/base/ComError.h"

#include <array>

namespace tarnwel {
namespace {

// One user property of an item: its value lives in the item and is saved
// with it. `name` is one of the names of a form (PimFormUserProperties), which
// live as long as the program.
class CPimUserProperty : public CDispatchBase<CPimUserProperty> {
public:
    CPimUserProperty(std::shared_ptr<CPimItem> item, const std::string& name) : m_item(std::move(item)), m_name(name) {}

    static const CMemberTable<CPimUserProperty>& MemberTable()
    {
        static const auto table = CMemberTable<CPimUserProperty>()
            .Property("Name", [](CPimUserProperty& self) { return CVariant(self.m_name); })
            .Property("Value", [](CPimUserProperty& self) { return CVariant(self.m_item->UserValue(self.m_name)); },
                      [](CPimUserProperty& self, const CVariant& value) { self.m_item->SetUserValue(self.m_name, value); });
        return table;
    }

private:
    std::shared_ptr<CPimItem> m_item;
    const std::string& m_name;
};

// The user properties of an item: those that the form of its message class
// defines, found by name without regard to ASCII case.
class CPimUserProperties : public CDispatchBase<CPimUserProperties> {
public:
    explicit CPimUserProperties(std::shared_ptr<CPimItem> item) : m_item(std::move(item)) {}

    static const CMemberTable<CPimUserProperties>& MemberTable()
    {
        static const auto table = CMemberTable<CPimUserProperties>()
            .Property("Count", [](CPimUserProperties& self) {
                return CVariant(static_cast<int>(self.m_item->FormUserProperties().size()));
            })
            .Method("Item", [](CPimUserProperties& self, const std::vector<CVariant>& arguments) {
                RequireArguments("Item", arguments, 1);
                const std::string* text = arguments[0].GetText();
                const std::string converted = text != nullptr ? std::string() : arguments[0].ToText();
                const std::string_view wanted = text != nullptr ? *text : converted;
                for (const std::string& name : self.m_item->FormUserProperties())
                    if (CMemberNameEqual()(name, wanted))
                        return CVariant(DispatchPtr(std::make_shared<CPimUserProperty>(self.m_item, name)));
                return CVariant();
            });
        return table;
    }

private:
    std::shared_ptr<CPimItem> m_item;
};

// A value read from the file as the property's type; a value of another type
// means the file was damaged or written by something else. A text is moved,
// not copied.
CVariant FromStored(const CPimPropertyDef& property, CVariant&& stored)
{
    switch (property.type) {
    case PimType::text:
        return CVariant(std::move(stored).ToText());
    case PimType::date:
        return CVariant(COleDate(stored.ToDouble()));
    case PimType::boolean:
        return CVariant(stored.ToBool());
    case PimType::integer:
        return CVariant(static_cast<int>(stored.ToInt()));
    }
    return std::move(stored);
}

// A value put by a caller, converted to the property's type and checked.
CVariant ToPropertyType(const CPimPropertyDef& property, const CVariant& value)
{
    switch (property.type) {
    case PimType::text:
        return CVariant(value.ToText());
    case PimType::date: {
        const COleDate date = value.ToDate();
        if (!date.IsValid())
            throw CComError(com_codes::kInvalidArgument, property.name + " must be a valid date");
        return CVariant(date);
    }
    case PimType::boolean:
        return CVariant(value.ToBool());
    case PimType::integer: {
        const int number = value.ToInt();
        if (number < property.lowest || number > property.highest)
            throw CComError(com_codes::kInvalidArgument, property.name + " must lie between " +
                                                             std::to_string(property.lowest) + " and " +
                                                             std::to_string(property.highest));
        return CVariant(number);
    }
    }
    return value;
}

CMemberTable<CPimItem> BuildMemberTable(const CPimKindInfo& kind)
{
    auto table = CMemberTable<CPimItem>()
        .Property("EntryID", [](CPimItem& self) { return CVariant(self.Row().entryId); })
        .Property("MessageClass", [](CPimItem& self) { return CVariant(self.Row().messageClass); },
                  [](CPimItem& self, const CVariant& value) { self.SetMessageClass(value.ToText()); })
        .Property("LastModificationTime", [](CPimItem& self) { return CVariant(self.Row().lastModificationTime); })
        .Property("UserProperties", [](CPimItem& self) {
            return CVariant(DispatchPtr(std::make_shared<CPimUserProperties>(self.shared_from_this())));
        })
        .Method("Save", [](CPimItem& self, const std::vector<CVariant>&) {
            self.Save();
            return CVariant();
        })
        .Method("Delete", [](CPimItem& self, const std::vector<CVariant>&) {
            self.Delete();
            return CVariant();
        });
    if (kind.hasRecurrence) {
        // Writable here, unlike in the program whose object model this is, so
        // that tests and the command-line tool can mark an item recurring.
        table = std::move(table).Property(
            "IsRecurring", [](CPimItem& self) { return CVariant(self.Row().isRecurring); },
            [](CPimItem& self, const CVariant& value) { self.SetRecurring(value.ToBool()); });
    }
    for (std::size_t index = 0; index < kind.properties.size(); ++index) {
        table = std::move(table).Property(
            kind.properties[index].name, [index](CPimItem& self) { return self.Value(index); },
            [index](CPimItem& self, const CVariant& value) { self.SetValue(index, value); });
    }
    return table;
}

} // namespace

CPimItem::CPimItem(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind, CPimItemRow row)
    : m_database(std::move(database)), m_kind(&kind), m_memberTable(&KindMemberTable(kind)), m_row(std::move(row))
{
    if (m_row.id == 0) {
        for (const CPimPropertyDef& property : kind.properties)
            m_values.push_back(property.initial);
        m_changed.assign(m_values.size(), true);
        m_loaded = true;
    }
}

CPimItem::CPimItem(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind, CPimLoadedItem loaded)
    : m_database(std::move(database)), m_kind(&kind), m_memberTable(&KindMemberTable(kind)),
      m_row(std::move(loaded.row)),
      m_readValues(std::move(loaded.values))
{
}

const CMemberTable<CPimItem>& CPimItem::KindMemberTable(const CPimKindInfo& kind)
{
    static const std::array<CMemberTable<CPimItem>, 3> tables = {
        BuildMemberTable(PimKindInfo(PimKind::appointment)),
        BuildMemberTable(PimKindInfo(PimKind::contact)),
        BuildMemberTable(PimKindInfo(PimKind::task)),
    };
    return tables[static_cast<std::size_t>(kind.kind)];
}

void CPimItem::CheckNotDeleted() const
{
    if (m_deleted)
        throw CComError(com_codes::kFail, "The item has been deleted");
}

CVariant CPimItem::GetProperty(std::string_view name)
{
    CheckNotDeleted();
    return CDispatchBase::GetProperty(name);
}

CVariant CPimItem::GetPropertyById(int id, std::string_view name)
{
    CheckNotDeleted();
    return CDispatchBase::GetPropertyById(id, name);
}

void CPimItem::PutProperty(std::string_view name, const CVariant& value)
{
    CheckNotDeleted();
    CDispatchBase::PutProperty(name, value);
}

CVariant CPimItem::Invoke(std::string_view name, const std::vector<CVariant>& arguments)
{
    CheckNotDeleted();
    return CDispatchBase::Invoke(name, arguments);
}

void CPimItem::Load()
{
    if (m_loaded)
        return;
    if (m_readValues) {
        std::vector<CPimReadValue> values = std::move(*m_readValues);
        m_readValues.reset();
        TakeValues(std::move(values));
    } else {
        TakeValues(m_database->LoadValues(*m_kind, m_row.id));
    }
}

void CPimItem::TakeValues(std::vector<CPimReadValue> stored)
{
    const std::vector<CPimPropertyDef>& properties = m_kind->properties;
    std::vector<CVariant> values;
    values.reserve(properties.size());
    for (const CPimPropertyDef& property : properties)
        values.push_back(property.initial);
    std::map<std::string, std::string> userValues;
    for (CPimReadValue& value : stored) {
        const bool user = value.property == CPimReadValue::kUser;
        try {
            if (user)
                userValues.insert_or_assign(std::move(value.userName), std::move(value.value).ToText());
            else
                values[value.property] = FromStored(properties[value.property], std::move(value.value));
        } catch (const CComError&) {
            throw CComError(com_codes::kFail, "The local item store \"" + m_database->Path() +
                                                  "\" holds a damaged value of " +
                                                  (user ? value.userName : properties[value.property].name) +
                                                  " in item " + m_row.entryId);
        }
    }
    m_values = std::move(values);
    m_changed.clear();
    m_userValues = std::move(userValues);
    m_loaded = true;
}

const CVariant& CPimItem::Value(std::size_t index)
{
    Load();
    return m_values.at(index);
}

void CPimItem::SetValue(std::size_t index, const CVariant& value)
{
    Load();
    m_values.at(index) = ToPropertyType(m_kind->properties.at(index), value);
    if (m_changed.empty())
        m_changed.assign(m_values.size(), false);
    m_changed[index] = true;
}

const std::vector<std::string>& CPimItem::FormUserProperties() const
{
    if (m_form == nullptr)
        m_form = &PimFormUserProperties(m_row.messageClass);
    return *m_form;
}

std::map<std::string, std::string> CPimItem::UserValues()
{
    Load();
    std::map<std::string, std::string> values = m_userValues;
    for (const std::string& name : FormUserProperties())
        values.try_emplace(name);
    return values;
}

std::string CPimItem::UserValue(const std::string& name)
{
    Load();
    const auto it = m_userValues.find(name);
    return it == m_userValues.end() ? std::string() : it->second;
}

void CPimItem::SetUserValue(const std::string& name, const CVariant& value)
{
    Load();
    m_userValues[name] = value.ToText();
    m_userChanged[name] = true;
}

void CPimItem::SetMessageClass(const std::string& messageClass)
{
    m_row.messageClass = messageClass;
    m_form = nullptr;
}

void CPimItem::SetRecurring(bool recurring)
{
    m_row.isRecurring = recurring;
}

void CPimItem::Save()
{
    CheckNotDeleted();
    // A new item stores only what differs from a new item's values: a value
    // that is not stored reads as that first value, an unset user property as
    // empty.
    const bool isNew = m_row.id == 0;
    std::vector<CPimValueToSave> changed;
    changed.reserve(m_values.size() + m_userChanged.size());
    for (std::size_t index = 0; index < m_values.size(); ++index)
        if (!m_changed.empty() && m_changed[index] && !(isNew && m_values[index] == m_kind->properties[index].initial))
            changed.push_back({&m_kind->properties[index].name, false, &m_values[index]});
    // The user values are texts in the item; the variants that carry them live
    // until the save is written.
    std::vector<CVariant> userValues;
    userValues.reserve(m_userChanged.size());
    std::vector<const std::string*> userNames;
    for (const auto& [name, isChanged] : m_userChanged) {
        const std::string& value = m_userValues[name];
        if (isChanged && !(isNew && value.empty())) {
            userValues.emplace_back(value);
            userNames.push_back(&name);
        }
    }
    for (std::size_t index = 0; index < userValues.size(); ++index)
        changed.push_back({userNames[index], true, &userValues[index]});
    if (!m_database->SaveItem(m_row, changed, COleDate::Now()))
        throw CComError(com_codes::kFail, "The item " + m_row.entryId + " was deleted elsewhere and cannot be saved");
    m_changed.clear();
    m_userChanged.clear();
}

void CPimItem::Delete()
{
    CheckNotDeleted();
    if (m_row.id != 0)
        m_database->DeleteItem(m_row.id);
    m_deleted = true;
}

} // namespace tarnwel
