#pragma once
// An item of the local item store as an automation object: EntryID,
// MessageClass, LastModificationTime, IsRecurring (appointments and tasks),
// the properties of its kind, UserProperties, Save and Delete. Changes stay in
// the object until Save writes them in one transaction; a new item gets its
// entry id at its first Save. An item found by its entry id reads its values
// from the file at the first use of a property; an item of a scan is filled
// with its values as the scan reads them (BeginFill, FillValue,
// FillUserValue), so that the scan can fill the same object again for a later
// item once nobody else holds it.

#include "platform/automation/DispatchBase.h"
#include "platform/pimstore/PimDatabase.h"
#include "platform/pimstore/PimSchema.h"

#include <algorithm>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tarnwel {

class CPimUserProperties;
class CPimUserProperty;
struct CPimItemMembers;

class CPimItem : public CDispatchBase<CPimItem>, public std::enable_shared_from_this<CPimItem> {
public:
    // `row.id` 0 makes a new item with the kind's first values; a saved
    // item reads its values at their first use.
    CPimItem(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind, CPimItemRow row);
    // An item for a scan to fill (BeginFill).
    CPimItem(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind);
    ~CPimItem() override;
    CPimItem(const CPimItem&) = delete;
    CPimItem& operator=(const CPimItem&) = delete;

    const CMemberTable<CPimItem>& MemberTable() const;

    CVariant GetProperty(std::string_view name) override;
    CVariant GetPropertyById(int id, std::string_view name) override;
    const CVariant* PeekPropertyById(int id, std::string_view name) override;
    const CVariant* PeekCachedProperty(const CMemberIdCache& cache) override;
    void PutProperty(std::string_view name, const CVariant& value) override;
    void PutPropertyById(int id, std::string_view name, const CVariant& value) override;
    CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments) override;
    CVariant InvokeById(int id, std::string_view name, const std::vector<CVariant>& arguments) override;

    const CPimKindInfo& Kind() const { return *m_kind; }
    const CPimItemRow& Row() const { return m_row; }

    // Makes the object a saved item with the kind's first values and no user
    // values, keeping the storage of its texts, and returns its row for the
    // caller to fill. Only the one who alone holds the object may call it.
    CPimItemRow& BeginFill();
    // Makes the object a new item of that message class with the kind's
    // first values, as a new object would be, keeping the storage of its
    // values. Only the one who alone holds the object may call it.
    void BeginNew(std::string_view messageClass);
    // A stored value of the kind's property `index`, or of a user property,
    // for the item that BeginFill began. A value that is not of the
    // property's type is kept as damaged: the first use of the item's values
    // raises the error.
    void FillValue(std::size_t index, const CPimStoredView& value);
    void FillUserValue(std::string_view name, const CPimStoredView& value);

    // The value of the kind's property `index` (in CPimKindInfo::properties).
    const CVariant& Value(std::size_t index);
    void SetValue(std::size_t index, const CVariant& value);

    // The names of the user properties that the form of the item's current
    // message class defines.
    const std::vector<std::string>& FormUserProperties() const;
    // Every user property value the item holds, those of its form ("" when
    // never set) and those kept from a former message class.
    std::map<std::string, std::string> UserValues();
    // The value of the user property `name`, "" when it has none; as a text
    // variant.
    const std::string& UserValue(const std::string& name);
    const CVariant& UserValueVariant(const std::string& name);
    // True when the values are read and none is damaged: a value can be
    // handed out without Load.
    bool ValuesReady() const { return m_loaded && m_damaged.empty() && !m_deleted; }
    // UserValueVariant of an item whose ValuesReady.
    const CVariant& ReadyUserValue(const std::string& name);
    void SetUserValue(const std::string& name, const CVariant& value);
    // The UserProperties collection and its members, which live as long as
    // the item and keep it alive while someone holds them.
    DispatchPtr UserPropertiesObject();
    DispatchPtr UserPropertyObject(const std::string& name);

    void SetMessageClass(const std::string& messageClass);
    void SetRecurring(bool recurring);
    void Save();
    void Delete();

private:
    // A user property value; `name` as stored, compared exactly. The value
    // is always a text.
    struct CUserValue {
        std::string name;
        CVariant value;
        bool changed = false;
    };

    // The place in the kind's properties of a member id, or the count of the
    // properties for a member that is none of them.
    std::size_t PropertyOfId(int id) const
    {
        return id >= m_firstProperty ? std::min(static_cast<std::size_t>(id - m_firstProperty), m_propertyCount)
                                     : m_propertyCount;
    }
    void Load();
    const CVariant* PeekRowMember(int id);
    void ResetValues();
    // Notes that the value `index` may differ from its first value.
    void Touch(std::size_t index);
    void ClearValues();
    void StoreValue(std::size_t index, const CPimStoredView& value);
    CUserValue* FindUserValue(std::string_view name);
    CUserValue& AddUserValue(std::string_view name);
    void CheckNotDeleted() const;

    std::shared_ptr<CPimDatabase> m_database;
    const CPimKindInfo* m_kind;
    const CPimItemMembers* m_members;
    // The member id of the kind's first property (the others follow it in
    // their order), or INT_MAX when the table does not keep that order.
    int m_firstProperty;
    std::size_t m_propertyCount;
    CPimItemRow m_row;
    // The form of the message class, found at its first use.
    mutable const std::vector<std::string>* m_form = nullptr;
    bool m_loaded = false;
    bool m_deleted = false;
    // The property whose stored value could not be read as its type; its
    // error stands for all values of the item.
    std::string m_damaged;
    std::vector<CVariant> m_values;
    // The values (of the first kTouchBits) that may differ from their first
    // values; a kind with more properties resets them all.
    static constexpr std::size_t kTouchBits = 64;
    std::uint64_t m_touched = 0;
    std::vector<bool> m_changed;
    // The user values are the first m_userCount entries; the others keep
    // their storage for a later fill.
    std::vector<CUserValue> m_userValues;
    std::size_t m_userCount = 0;
    // What PeekCachedProperty gives for the members of the row.
    CVariant m_rowText;
    CVariant m_rowDate;
    CVariant m_rowFlag;
    std::unique_ptr<CPimUserProperties> m_userProperties;
    std::vector<std::unique_ptr<CPimUserProperty>> m_userPropertyObjects;
};

} // namespace tarnwel
