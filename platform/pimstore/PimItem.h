#pragma once
// An item of the local item store as an automation object: EntryID,
// MessageClass, LastModificationTime, IsRecurring (appointments and tasks),
// the properties of its kind, UserProperties, Save and Delete. Changes stay in
// the object until Save writes them in one transaction; a new item gets its
// entry id at its first Save. Values are read from the file at the first use
// of a property, so that a scan that only looks at message classes stays fast.

#include "platform/automation/DispatchBase.h"
#include "platform/pimstore/PimDatabase.h"
#include "platform/pimstore/PimSchema.h"

#include <map>
#include <memory>
#include <optional>

namespace tarnwel {

class CPimItem : public CDispatchBase<CPimItem>, public std::enable_shared_from_this<CPimItem> {
public:
    // `row.id` 0 makes a new item with the kind's first values.
    CPimItem(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind, CPimItemRow row);
    // A saved item whose values were read with its row.
    CPimItem(std::shared_ptr<CPimDatabase> database, const CPimKindInfo& kind, CPimLoadedItem loaded);

    const CMemberTable<CPimItem>& MemberTable() const { return *m_memberTable; }

    CVariant GetProperty(std::string_view name) override;
    CVariant GetPropertyById(int id, std::string_view name) override;
    void PutProperty(std::string_view name, const CVariant& value) override;
    CVariant Invoke(std::string_view name, const std::vector<CVariant>& arguments) override;

    const CPimKindInfo& Kind() const { return *m_kind; }
    const CPimItemRow& Row() const { return m_row; }

    // The value of the kind's property `index` (in CPimKindInfo::properties).
    const CVariant& Value(std::size_t index);
    void SetValue(std::size_t index, const CVariant& value);

    // The names of the user properties that the form of the item's current
    // message class defines.
    const std::vector<std::string>& FormUserProperties() const;
    // Every user property value the item holds, those of its form ("" when
    // never set) and those kept from a former message class.
    std::map<std::string, std::string> UserValues();
    std::string UserValue(const std::string& name);
    void SetUserValue(const std::string& name, const CVariant& value);

    void SetMessageClass(const std::string& messageClass);
    void SetRecurring(bool recurring);
    void Save();
    void Delete();

private:
    static const CMemberTable<CPimItem>& KindMemberTable(const CPimKindInfo& kind);
    void Load();
    void TakeValues(std::vector<CPimReadValue> stored);
    void CheckNotDeleted() const;

    std::shared_ptr<CPimDatabase> m_database;
    const CPimKindInfo* m_kind;
    const CMemberTable<CPimItem>* m_memberTable;
    CPimItemRow m_row;
    // The form of the message class, found at its first use.
    mutable const std::vector<std::string>* m_form = nullptr;
    bool m_loaded = false;
    // Values read with the row, taken at the first use like those read later.
    std::optional<std::vector<CPimReadValue>> m_readValues;
    bool m_deleted = false;
    std::vector<CVariant> m_values;
    std::vector<bool> m_changed;
    std::map<std::string, std::string> m_userValues;
    std::map<std::string, bool> m_userChanged;
};

} // namespace tarnwel
