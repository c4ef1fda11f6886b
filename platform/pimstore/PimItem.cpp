#include "platform/pimstore/PimItem.h"

#include "platform/automation/MemberName.h"
#include "platform/base/ComError.h"

#include <algorithm>
#include <array>
#include <limits>

namespace tarnwel {

// One user property of an item: its value lives in the item and is saved
// with it. `name` is one of the names of a form (PimFormUserProperties), which
// live as long as the program. The item owns the object.
class CPimUserProperty : public CDispatchBase<CPimUserProperty> {
public:
    CPimUserProperty(CPimItem& item, const std::string& name)
        : m_item(item), m_name(name), m_table(&MemberTable()), m_valueId(m_table->IdOf("Value"))
    {
    }

    const std::string& Name() const { return m_name; }
    static int ValueId()
    {
        static const int id = MemberTable().IdOf("Value");
        return id;
    }

    const CVariant* PeekPropertyById(int id, std::string_view) override
    {
        return id == m_valueId ? &m_item.UserValueVariant(m_name) : nullptr;
    }
    const CVariant* PeekCachedProperty(const CMemberIdCache& cache) override
    {
        if (cache.memberClass != m_table || cache.id != m_valueId || !m_item.ValuesReady())
            return nullptr;
        return &m_item.ReadyUserValue(m_name);
    }
    void PutPropertyById(int id, std::string_view name, const CVariant& value) override
    {
        if (id == m_valueId)
            m_item.SetUserValue(m_name, value);
        else
            CDispatchBase::PutPropertyById(id, name, value);
    }

    static const CMemberTable<CPimUserProperty>& MemberTable()
    {
        static const auto table = CMemberTable<CPimUserProperty>()
            .Property("Name", [](CPimUserProperty& self) { return CVariant(self.m_name); })
            .Property("Value", [](CPimUserProperty& self) { return CVariant(self.m_item.UserValue(self.m_name)); },
                      [](CPimUserProperty& self, const CVariant& value) { self.m_item.SetUserValue(self.m_name, value); });
        return table;
    }

private:
    CPimItem& m_item;
    const std::string& m_name;
    const CMemberTable<CPimUserProperty>* m_table;
    int m_valueId;
};

// The user properties of an item: those that the form of its message class
// defines, found by name without regard to ASCII case. The item owns the
// object.
class CPimUserProperties : public CDispatchBase<CPimUserProperties> {
public:
    explicit CPimUserProperties(CPimItem& item)
        : m_item(item), m_table(&MemberTable()), m_itemId(ItemId()), m_propertyTable(&CPimUserProperty::MemberTable()),
          m_valueId(CPimUserProperty::ValueId())
    {
    }

    static const CMemberTable<CPimUserProperties>& MemberTable()
    {
        static const auto table = CMemberTable<CPimUserProperties>()
            .Property("Count", [](CPimUserProperties& self) {
                return CVariant(static_cast<int>(self.m_item.FormUserProperties().size()));
            })
            .Method("Item", [](CPimUserProperties& self, const std::vector<CVariant>& arguments) {
                return self.Item(arguments);
            });
        return table;
    }

    // Item, read many times for each item, straight away instead of through
    // the table.
    CVariant InvokeById(int id, std::string_view name, const std::vector<CVariant>& arguments) override
    {
        return id == m_itemId ? Item(arguments) : CDispatchBase::InvokeById(id, name, arguments);
    }

    // Item(key).Value of an item whose values are read, without the
    // property object.
    bool PeekCachedItemProperty(const CMemberIdCache& itemCache, std::string_view key,
                                const CMemberIdCache& propertyCache, const CVariant*& value) override
    {
        if (itemCache.memberClass != m_table || itemCache.id != m_itemId || propertyCache.memberClass != m_propertyTable ||
            propertyCache.id != m_valueId || !m_item.ValuesReady())
            return false;
        const std::string* name = FormName(key);
        value = name == nullptr ? nullptr : &m_item.ReadyUserValue(*name);
        return true;
    }

private:
    static int ItemId()
    {
        static const int id = MemberTable().IdOf("Item");
        return id;
    }
    // The name of the form that matches `wanted`, or null.
    const std::string* FormName(std::string_view wanted) const
    {
        for (const std::string& name : m_item.FormUserProperties())
            if (name.size() == wanted.size() && CMemberNameEqual()(name, wanted))
                return &name;
        return nullptr;
    }

    CVariant Item(const std::vector<CVariant>& arguments)
    {
        RequireArguments("Item", arguments, 1);
        const std::string* text = arguments[0].GetText();
        const std::string converted = text != nullptr ? std::string() : arguments[0].ToText();
        const std::string* name = FormName(text != nullptr ? std::string_view(*text) : std::string_view(converted));
        return name == nullptr ? CVariant() : CVariant(m_item.UserPropertyObject(*name));
    }

    CPimItem& m_item;
    // The member ids that the quick ways compare, kept at hand.
    const CMemberTable<CPimUserProperties>* m_table;
    int m_itemId;
    const CMemberTable<CPimUserProperty>* m_propertyTable;
    int m_valueId;
};

namespace {

CMemberTable<CPimItem> BuildMemberTable(const CPimKindInfo& kind)
{
    auto table = CMemberTable<CPimItem>()
        .Property("EntryID", [](CPimItem& self) { return CVariant(self.Row().entryId); })
        .Property("MessageClass", [](CPimItem& self) { return CVariant(self.Row().messageClass); },
                  [](CPimItem& self, const CVariant& value) { self.SetMessageClass(value.ToText()); })
        .Property("LastModificationTime", [](CPimItem& self) { return CVariant(self.Row().lastModificationTime); })
        .Property("UserProperties", [](CPimItem& self) {
            return CVariant(self.UserPropertiesObject());
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

// An item kind's member table and the ids that the item answers itself: the
// kind's properties, which follow one another in their order from
// `firstProperty` on, and the members of the row.
struct CPimItemMembers {
    CMemberTable<CPimItem> table;
    int firstProperty = std::numeric_limits<int>::max();
    int entryId = -1;
    int messageClass = -1;
    int lastModificationTime = -1;
    int isRecurring = -1;
};

namespace {

CPimItemMembers BuildKindMembers(const CPimKindInfo& kind)
{
    CPimItemMembers built{BuildMemberTable(kind)};
    if (!kind.properties.empty()) {
        built.firstProperty = built.table.IdOf(kind.properties.front().name);
        for (std::size_t index = 0; index < kind.properties.size(); ++index)
            if (built.table.IdOf(kind.properties[index].name) != built.firstProperty + static_cast<int>(index))
                built.firstProperty = std::numeric_limits<int>::max();  // every call goes through the table
    }
    built.entryId = built.table.IdOf("EntryID");
    built.messageClass = built.table.IdOf("MessageClass");
    built.lastModificationTime = built.table.IdOf("LastModificationTime");
    built.isRecurring = built.table.IdOf("IsRecurring");
    return built;
}

const CPimItemMembers& KindMembers(const CPimKindInfo& kind)
{
    static const std::array<CPimItemMembers, 3> members = {
        BuildKindMembers(PimKindInfo(PimKind::appointment)),
        BuildKindMembers(PimKindInfo(PimKind::contact)),
        BuildKindMembers(PimKindInfo(PimKind::task)),
    };
    return members[static_cast<std::size_t>(kind.kind)];
}

[[noreturn]] void ThrowDamaged(const CPimDatabase& database, const std::string& name, const std::string& entryId)
{
    throw CComError(com_codes::kFail, "The local item store \"" + database.Path() + "\" holds a damaged value of " +
                                          name + " in item " + entryId);
}

} // namespace

CPimItem::CPimItem(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind, CPimItemRow row)
    : m_database(std::move(database)), m_kind(&kind), m_members(&KindMembers(kind)),
      m_firstProperty(m_members->firstProperty), m_propertyCount(kind.properties.size()), m_row(std::move(row))
{
    if (m_row.id == 0) {
        ResetValues();
        m_changed.assign(m_values.size(), true);
        m_loaded = true;
    }
}

CPimItem::CPimItem(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind)
    : m_database(std::move(database)), m_kind(&kind), m_members(&KindMembers(kind)),
      m_firstProperty(m_members->firstProperty), m_propertyCount(kind.properties.size())
{
    ResetValues();
    m_loaded = true;
}

CPimItem::~CPimItem() = default;

const CMemberTable<CPimItem>& CPimItem::MemberTable() const
{
    return m_members->table;
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
    if (const std::size_t index = PropertyOfId(id); index < m_propertyCount)
        return Value(index);
    if (id == m_members->entryId)
        return CVariant(m_row.entryId);
    if (id == m_members->messageClass)
        return CVariant(m_row.messageClass);
    if (id == m_members->lastModificationTime)
        return CVariant(m_row.lastModificationTime);
    if (id == m_members->isRecurring)
        return CVariant(m_row.isRecurring);
    return CDispatchBase::GetPropertyById(id, name);
}

const CVariant* CPimItem::PeekCachedProperty(const CMemberIdCache& cache)
{
    if (cache.memberClass != &m_members->table)
        return nullptr;
    const std::size_t index = PropertyOfId(cache.id);
    if (index < m_propertyCount)
        return ValuesReady() ? &m_values[index] : nullptr;
    return m_deleted ? nullptr : PeekRowMember(cache.id);
}

const CVariant* CPimItem::PeekRowMember(int id)
{
    // The members of the row, in variants of the item kept for the purpose.
    if (id == m_members->entryId || id == m_members->messageClass) {
        m_rowText.AssignText(id == m_members->entryId ? m_row.entryId : m_row.messageClass);
        return &m_rowText;
    }
    if (id == m_members->lastModificationTime) {
        m_rowDate = CVariant(m_row.lastModificationTime);
        return &m_rowDate;
    }
    if (id == m_members->isRecurring) {
        m_rowFlag = CVariant(m_row.isRecurring);
        return &m_rowFlag;
    }
    return nullptr;
}

const CVariant* CPimItem::PeekPropertyById(int id, std::string_view)
{
    CheckNotDeleted();
    const std::size_t index = PropertyOfId(id);
    if (index == m_propertyCount)
        return nullptr;
    if (!m_loaded || !m_damaged.empty())
        Load();
    return &m_values[index];
}

void CPimItem::PutProperty(std::string_view name, const CVariant& value)
{
    CheckNotDeleted();
    CDispatchBase::PutProperty(name, value);
}

void CPimItem::PutPropertyById(int id, std::string_view name, const CVariant& value)
{
    CheckNotDeleted();
    if (const std::size_t index = PropertyOfId(id); index < m_propertyCount)
        SetValue(index, value);
    else
        CDispatchBase::PutPropertyById(id, name, value);
}

CVariant CPimItem::Invoke(std::string_view name, const std::vector<CVariant>& arguments)
{
    CheckNotDeleted();
    return CDispatchBase::Invoke(name, arguments);
}

CVariant CPimItem::InvokeById(int id, std::string_view name, const std::vector<CVariant>& arguments)
{
    CheckNotDeleted();
    return CDispatchBase::InvokeById(id, name, arguments);
}

void CPimItem::ResetValues()
{
    const std::vector<CPimPropertyDef>& properties = m_kind->properties;
    if (m_values.size() != properties.size()) {
        m_values.clear();
        m_values.reserve(properties.size());
        for (const CPimPropertyDef& property : properties)
            m_values.push_back(property.initial);
        m_touched = 0;
        return;
    }
    const bool whole = properties.size() > kTouchBits;
    // Only the values that were filled or set since the last reset differ
    // from the first values.
    for (std::size_t index = 0; index < properties.size(); ++index) {
        if (!whole && (m_touched & (std::uint64_t{1} << index)) == 0)
            continue;
        const CVariant& initial = properties[index].initial;
        if (const std::string* text = initial.GetText())
            m_values[index].AssignText(*text);
        else
            m_values[index] = initial;
    }
    m_touched = 0;
}

void CPimItem::Touch(std::size_t index)
{
    if (index < kTouchBits)
        m_touched |= std::uint64_t{1} << index;
}

void CPimItem::ClearValues()
{
    ResetValues();
    m_changed.clear();
    m_userCount = 0;
    m_damaged.clear();
}

CPimItemRow& CPimItem::BeginFill()
{
    ClearValues();
    m_form = nullptr;
    m_deleted = false;
    m_loaded = true;
    return m_row;
}

void CPimItem::BeginNew(std::string_view messageClass)
{
    ClearValues();
    m_row.id = 0;
    m_row.folder = m_kind->folder;
    m_row.entryId.clear();
    m_row.messageClass.assign(messageClass.data(), messageClass.size());
    m_row.lastModificationTime = COleDate::Null();
    m_row.isRecurring = false;
    m_changed.assign(m_values.size(), true);
    m_form = nullptr;
    m_deleted = false;
    m_loaded = true;
}

void CPimItem::StoreValue(std::size_t index, const CPimStoredView& value)
{
    // The types as this store writes them are taken where they stand;
    // others are converted as automation converts them.
    const CPimPropertyDef& property = m_kind->properties[index];
    CVariant& target = m_values[index];
    Touch(index);
    switch (property.type) {
    case PimType::text:
        if (value.type == CPimStoredView::Type::text) {
            target.AssignText(value.text);
            return;
        }
        target = CVariant(value.ToVariant().ToText());
        return;
    case PimType::date:
        target.AssignPlain(
            COleDate(value.type == CPimStoredView::Type::real ? value.real : value.ToVariant().ToDouble()));
        return;
    case PimType::boolean:
        target.AssignPlain(value.type == CPimStoredView::Type::integer ? static_cast<int>(value.integer) != 0
                                                                        : value.ToVariant().ToBool());
        return;
    case PimType::integer:
        target.AssignPlain(static_cast<std::int32_t>(value.type == CPimStoredView::Type::integer
                                                         ? static_cast<int>(value.integer)
                                                         : static_cast<int>(value.ToVariant().ToInt())));
        return;
    }
}

void CPimItem::FillValue(std::size_t index, const CPimStoredView& value)
{
    try {
        StoreValue(index, value);
    } catch (const CComError&) {
        if (m_damaged.empty())
            m_damaged = m_kind->properties[index].name;
    }
}

void CPimItem::FillUserValue(std::string_view name, const CPimStoredView& value)
{
    CUserValue* entry = FindUserValue(name);
    if (entry == nullptr)
        entry = &AddUserValue(name);
    entry->changed = false;
    try {
        if (value.type == CPimStoredView::Type::text)
            entry->value.AssignText(value.text);
        else
            entry->value = CVariant(value.ToVariant().ToText());
    } catch (const CComError&) {
        if (m_damaged.empty())
            m_damaged = std::string(name);
    }
}

CPimItem::CUserValue* CPimItem::FindUserValue(std::string_view name)
{
    for (std::size_t at = 0; at < m_userCount; ++at)
        if (m_userValues[at].name == name)
            return &m_userValues[at];
    return nullptr;
}

CPimItem::CUserValue& CPimItem::AddUserValue(std::string_view name)
{
    if (m_userCount == m_userValues.size())
        m_userValues.emplace_back();
    CUserValue& entry = m_userValues[m_userCount++];
    if (entry.name != name)  // mostly the name the entry had before
        entry.name.assign(name.data(), name.size());
    entry.value.AssignText({});
    entry.changed = false;
    return entry;
}

void CPimItem::Load()
{
    if (!m_loaded) {
        std::vector<CPimReadValue> stored = m_database->LoadValues(*m_kind, m_row.id);
        ClearValues();
        for (const CPimReadValue& value : stored) {
            const CPimStoredView view = CPimStoredView::Of(value.value);
            if (value.property == CPimReadValue::kUser)
                FillUserValue(value.userName, view);
            else
                FillValue(value.property, view);
        }
        m_loaded = true;
    }
    if (!m_damaged.empty())
        ThrowDamaged(*m_database, m_damaged, m_row.entryId);
}

const CVariant& CPimItem::Value(std::size_t index)
{
    Load();
    return m_values.at(index);
}

void CPimItem::SetValue(std::size_t index, const CVariant& value)
{
    Load();
    const CPimPropertyDef& property = m_kind->properties.at(index);
    // A text for a text property goes into the storage the value has.
    if (const std::string* text = value.GetText(); text != nullptr && property.type == PimType::text)
        m_values[index].AssignText(*text);
    else
        m_values[index] = ConvertToPropertyType(property, value);
    Touch(index);
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
    std::map<std::string, std::string> values;
    for (std::size_t at = 0; at < m_userCount; ++at)
        values.emplace(m_userValues[at].name, *m_userValues[at].value.GetText());
    for (const std::string& name : FormUserProperties())
        values.try_emplace(name);
    return values;
}

const std::string& CPimItem::UserValue(const std::string& name)
{
    return *UserValueVariant(name).GetText();
}

const CVariant& CPimItem::UserValueVariant(const std::string& name)
{
    Load();
    return ReadyUserValue(name);
}

const CVariant& CPimItem::ReadyUserValue(const std::string& name)
{
    static const CVariant none{std::string()};
    const CUserValue* entry = FindUserValue(name);
    return entry == nullptr ? none : entry->value;
}

void CPimItem::SetUserValue(const std::string& name, const CVariant& value)
{
    Load();
    const std::string* text = value.GetText();
    std::string converted = text != nullptr ? std::string() : value.ToText();
    CUserValue* entry = FindUserValue(name);
    if (entry == nullptr)
        entry = &AddUserValue(name);
    if (text != nullptr)
        entry->value.AssignText(*text);
    else
        entry->value = CVariant(std::move(converted));
    entry->changed = true;
}

DispatchPtr CPimItem::UserPropertiesObject()
{
    if (!m_userProperties)
        m_userProperties = std::make_unique<CPimUserProperties>(*this);
    return DispatchPtr(shared_from_this(), m_userProperties.get());
}

DispatchPtr CPimItem::UserPropertyObject(const std::string& name)
{
    // Form names live as long as the program: the object of a name is kept
    // for the item's life, whatever its message class becomes.
    CPimUserProperty* found = nullptr;
    for (const std::unique_ptr<CPimUserProperty>& property : m_userPropertyObjects)
        if (&property->Name() == &name) {
            found = property.get();
            break;
        }
    if (found == nullptr) {
        m_userPropertyObjects.push_back(std::make_unique<CPimUserProperty>(*this, name));
        found = m_userPropertyObjects.back().get();
    }
    return DispatchPtr(shared_from_this(), found);
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
    changed.reserve(m_values.size() + m_userCount);
    for (std::size_t index = 0; index < m_values.size(); ++index)
        if (!m_changed.empty() && m_changed[index] && !(isNew && m_values[index] == m_kind->properties[index].initial))
            changed.push_back({&m_kind->properties[index].name, false, &m_values[index]});
    for (std::size_t at = 0; at < m_userCount; ++at) {
        const CUserValue& entry = m_userValues[at];
        if (entry.changed && !(isNew && entry.value.GetText()->empty()))
            changed.push_back({&entry.name, true, &entry.value});
    }
    if (!m_database->SaveItem(m_row, changed, COleDate::Now()))
        throw CComError(com_codes::kFail, "The item " + m_row.entryId + " was deleted elsewhere and cannot be saved");
    m_changed.clear();
    for (std::size_t at = 0; at < m_userCount; ++at)
        m_userValues[at].changed = false;
}

void CPimItem::Delete()
{
    CheckNotDeleted();
    if (m_row.id != 0)
        m_database->DeleteItem(m_row.id);
    m_deleted = true;
}

} // namespace tarnwel
