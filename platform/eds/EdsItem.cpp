#include "platform/eds/EdsItem.h"

#include "platform/automation/MemberName.h"
#include "platform/base/ComError.h"

#include <array>
#include <atomic>
#include <chrono>
#include <random>

namespace tarnwel {
namespace {

// One user property of an item; it keeps the item alive.
class CEdsUserProperty : public CDispatchBase<CEdsUserProperty> {
public:
    CEdsUserProperty(std::shared_ptr<CEdsItem> item, std::string name) : m_item(std::move(item)), m_name(std::move(name)) {}

    static const CMemberTable<CEdsUserProperty>& MemberTable()
    {
        static const auto table = CMemberTable<CEdsUserProperty>()
            .Property("Name", [](CEdsUserProperty& self) { return CVariant(self.m_name); })
            .Property("Value", [](CEdsUserProperty& self) { return CVariant(self.m_item->UserValue(self.m_name)); },
                      [](CEdsUserProperty& self, const CVariant& value) { self.m_item->SetUserValue(self.m_name, value); });
        return table;
    }

private:
    std::shared_ptr<CEdsItem> m_item;
    std::string m_name;
};

// The user properties that the form of the item's class defines, found by
// name without regard to ASCII case; a name the form lacks gives none.
class CEdsUserProperties : public CDispatchBase<CEdsUserProperties> {
public:
    explicit CEdsUserProperties(std::shared_ptr<CEdsItem> item) : m_item(std::move(item)) {}

    static const CMemberTable<CEdsUserProperties>& MemberTable()
    {
        static const auto table = CMemberTable<CEdsUserProperties>()
            .Property("Count", [](CEdsUserProperties& self) {
                return CVariant(static_cast<int>(self.m_item->FormUserProperties().size()));
            })
            .Method("Item", [](CEdsUserProperties& self, const std::vector<CVariant>& arguments) {
                RequireArguments("Item", arguments, 1);
                const std::string wanted = arguments[0].ToText();
                for (const std::string& name : self.m_item->FormUserProperties())
                    if (CMemberNameEqual()(name, wanted))
                        return CVariant(DispatchPtr(std::make_shared<CEdsUserProperty>(self.m_item, name)));
                return CVariant();
            });
        return table;
    }

private:
    std::shared_ptr<CEdsItem> m_item;
};

CMemberTable<CEdsItem> BuildMemberTable(const CPimKindInfo& kind)
{
    auto table = CMemberTable<CEdsItem>()
        .Property("EntryID", [](CEdsItem& self) { return CVariant(EdsEntryIdOfUid(self.Uid())); })
        .Property("MessageClass", [](CEdsItem& self) { return CVariant(self.Data().messageClass); },
                  [](CEdsItem& self, const CVariant& value) { self.SetMessageClass(value.ToText()); })
        .Property("LastModificationTime", [](CEdsItem& self) { return CVariant(self.LastModificationTime()); })
        .Property("UserProperties", [](CEdsItem& self) {
            return CVariant(DispatchPtr(std::make_shared<CEdsUserProperties>(self.shared_from_this())));
        })
        .Method("Save", [](CEdsItem& self, const std::vector<CVariant>&) {
            self.Save();
            return CVariant();
        })
        .Method("Delete", [](CEdsItem& self, const std::vector<CVariant>&) {
            self.Delete();
            return CVariant();
        });
    if (kind.hasRecurrence)
        table = std::move(table).Property("IsRecurring", [](CEdsItem& self) { return CVariant(self.Data().isRecurring); });
    for (std::size_t index = 0; index < kind.properties.size(); ++index)
        table = std::move(table).Property(
            kind.properties[index].name,
            [index](CEdsItem& self) { return self.GetValue(index); },
            [index](CEdsItem& self, const CVariant& value) { self.SetValue(index, value); });
    return table;
}

// The creation order of a new item: microseconds since 1970, and more than
// the last one of the process when the clock has not moved on.
double NextOrder()
{
    static std::atomic<long long> last{0};
    long long now = std::chrono::duration_cast<std::chrono::microseconds>(
                        std::chrono::system_clock::now().time_since_epoch())
                        .count();
    long long previous = last.load();
    do {
        if (now <= previous)
            now = previous + 1;
    } while (!last.compare_exchange_weak(previous, now));
    return static_cast<double>(now);
}

// The key of a user value: its name in ASCII capitals, since user property
// names match without regard to case.
std::string UserValueKey(const std::string& name)
{
    std::string key = name;
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

std::string NewUid()
{
    static thread_local std::mt19937_64 random{std::random_device{}()};
    char text[40];
    std::snprintf(text, sizeof text, "%016llX%016llX", static_cast<unsigned long long>(random()),
                  static_cast<unsigned long long>(random()));
    return std::string(text) + "@tarnwel";
}

} // namespace

CEdsItem::CEdsItem(std::shared_ptr<CEdsSession> session, const CPimKindInfo& kind, std::string_view messageClass)
    : m_session(std::move(session)), m_kind(&kind)
{
    for (const CPimPropertyDef& property : kind.properties)
        m_data.values.push_back(property.initial);
    m_data.messageClass.assign(messageClass.data(), messageClass.size());
    m_changed.assign(kind.properties.size(), true);
}

CEdsItem::CEdsItem(std::shared_ptr<CEdsSession> session, const CPimKindInfo& kind, const CEdsObject& object)
    : m_session(std::move(session)), m_kind(&kind), m_text(object.text), m_saved(true)
{
    if (object.parsed != nullptr)
        EdsReadParsedItem(kind, object.parsed.get(), m_session->UserZone(), m_data);
    else
        EdsReadItem(kind, object.text, m_session->UserZone(), m_data);
    // A listed item without its text keeps the parsed one to make the text
    // from when it is saved.
    if (m_text.empty())
        m_parsed = object.parsed;
    m_data.uid = object.uid;
    m_data.rid = object.rid;
    m_changed.assign(kind.properties.size(), false);
}

const CMemberTable<CEdsItem>& CEdsItem::MemberTable() const
{
    static const std::array<CMemberTable<CEdsItem>, 3> tables = {
        BuildMemberTable(PimKindInfo(PimKind::appointment)),
        BuildMemberTable(PimKindInfo(PimKind::contact)),
        BuildMemberTable(PimKindInfo(PimKind::task)),
    };
    return tables[static_cast<std::size_t>(m_kind->kind)];
}

CVariant CEdsItem::GetProperty(std::string_view name)
{
    CheckNotDeleted();
    return CDispatchBase::GetProperty(name);
}

CVariant CEdsItem::GetPropertyById(int id, std::string_view name)
{
    CheckNotDeleted();
    return CDispatchBase::GetPropertyById(id, name);
}

void CEdsItem::SetMessageClass(const std::string& messageClass)
{
    CheckNotDeleted();
    ReadBack();
    m_data.messageClass = messageClass;
}

void CEdsItem::CheckNotDeleted() const
{
    if (m_deleted)
        throw CComError(com_codes::kFail, "The item has been deleted");
}

CVariant CEdsItem::GetValue(std::size_t index) const
{
    CheckNotDeleted();
    ReadBack();
    return m_data.values.at(index);
}

void CEdsItem::SetValue(std::size_t index, const CVariant& value)
{
    CheckNotDeleted();
    ReadBack();
    m_data.values.at(index) = ConvertToPropertyType(m_kind->properties.at(index), value);
    m_changed[index] = true;
}

const std::vector<std::string>& CEdsItem::FormUserProperties() const
{
    return PimFormUserProperties(Data().messageClass);
}

std::string CEdsItem::UserValue(const std::string& name) const
{
    CheckNotDeleted();
    ReadBack();
    const auto found = m_data.userValues.find(UserValueKey(name));
    return found == m_data.userValues.end() ? std::string() : found->second.second;
}

void CEdsItem::SetUserValue(const std::string& name, const CVariant& value)
{
    CheckNotDeleted();
    ReadBack();
    m_data.userValues[UserValueKey(name)] = {name, value.ToText()};
}

void CEdsItem::Save()
{
    CheckNotDeleted();
    ReadBack();
    const bool isNew = !m_saved;
    if (!isNew && m_session->RemovedInBatch(m_kind->kind, m_data.uid, m_data.rid))
        throw CComError(com_codes::kFail, "The item " + EdsEntryIdOfUid(m_data.uid) + " was deleted and cannot be saved");
    CEdsItemData data = m_data;
    if (isNew) {
        data.uid = NewUid();
        data.order = NextOrder();
    }
    const COleDate now = COleDate::Now();
    const std::string base = isNew ? std::string() : EdsObjectText(CEdsObject{{}, {}, m_text, m_parsed});
    const std::string text = EdsWriteItem(*m_kind, base, data, m_changed, m_session->UserZone(), now);
    // A calendar item's text is parsed once, here: the call that sends it
    // takes the component, and the read-back reads it. A contact goes as
    // text (a card not parsed yet sends its text as it is, which costs less
    // than writing a parsed one out again) and is parsed when read back.
    std::shared_ptr<GObject> parsed;
    if (m_kind->kind != PimKind::contact)
        parsed = EdsParseItem(*m_kind, text);
    const CEdsObject object{data.uid, data.rid, text, parsed};
    if (isNew)
        m_session->Create(m_kind->kind, object);
    else
        m_session->Modify(m_kind->kind, object);
    // What the server holds now is read back from the text written when a
    // value is wanted (ReadBack); its modification time is known now.
    m_data = data;
    m_data.lastModificationTime = EdsWrittenModificationTime(*m_kind, now, m_session->UserZone());
    m_text = text;
    m_parsed = parsed;
    m_readBackDue = true;
    m_saved = true;
    m_changed.assign(m_kind->properties.size(), false);
}

void CEdsItem::ReadBack() const
{
    if (!m_readBackDue)
        return;
    const std::string uid = m_data.uid;
    const std::string rid = m_data.rid;
    if (m_parsed != nullptr)
        EdsReadParsedItem(*m_kind, m_parsed.get(), m_session->UserZone(), m_data);
    else
        EdsReadItem(*m_kind, m_text, m_session->UserZone(), m_data);
    m_data.uid = uid;
    m_data.rid = rid;
    m_readBackDue = false;
}

void CEdsItem::Delete()
{
    CheckNotDeleted();
    if (m_saved)
        m_session->Remove(m_kind->kind, m_data.uid, m_data.rid);
    m_deleted = true;
}

} // namespace tarnwel
