#pragma once
// An item of the data server as an automation object: EntryID (the UID,
// encoded where a mapping file line could not hold it), MessageClass,
// LastModificationTime, IsRecurring (appointments and tasks), the
// properties of its kind, UserProperties, Save and Delete. Changes stay in
// the object until Save; a new item gets its UID at its first Save. Save
// writes the changed values over the item's text as read, so fields of
// another program's item that this model does not know stay as they are.

#include "platform/automation/DispatchBase.h"
#include "platform/eds/EdsMapping.h"
#include "platform/eds/EdsSession.h"

#include <memory>

namespace tarnwel {

class CEdsItem : public CDispatchBase<CEdsItem>, public std::enable_shared_from_this<CEdsItem> {
public:
    // A new item of that message class.
    CEdsItem(std::shared_ptr<CEdsSession> session, const CPimKindInfo& kind, std::string_view messageClass);
    // An item as the data server holds it.
    CEdsItem(std::shared_ptr<CEdsSession> session, const CPimKindInfo& kind, const CEdsObject& object);

    const CMemberTable<CEdsItem>& MemberTable() const;

    CVariant GetProperty(std::string_view name) override;
    CVariant GetPropertyById(int id, std::string_view name) override;

    const CEdsItemData& Data() const
    {
        ReadBack();
        return m_data;
    }
    // Known without reading back a save (ReadBack).
    const std::string& Uid() const { return m_data.uid; }
    const COleDate& LastModificationTime() const { return m_data.lastModificationTime; }
    CVariant GetValue(std::size_t index) const;
    void SetValue(std::size_t index, const CVariant& value);
    void SetMessageClass(const std::string& messageClass);
    const CPimKindInfo& Kind() const { return *m_kind; }

    // The names of the user properties that the form of the item's message
    // class defines.
    const std::vector<std::string>& FormUserProperties() const;
    std::string UserValue(const std::string& name) const;
    void SetUserValue(const std::string& name, const CVariant& value);

    void Save();
    void Delete();

private:
    void CheckNotDeleted() const;
    // Reads the values back from the text last saved, once they are wanted:
    // most items that are saved are let go after their EntryID and
    // LastModificationTime, which Save knows without reading.
    void ReadBack() const;

    std::shared_ptr<CEdsSession> m_session;
    const CPimKindInfo* m_kind;
    mutable CEdsItemData m_data;
    std::string m_text;  // as read or last saved; "" for a new item
    // The same item parsed, where one is at hand: a listed item's (whose
    // text is then made from it only when it is saved) or a saved
    // calendar item's.
    std::shared_ptr<GObject> m_parsed;
    mutable bool m_readBackDue = false;  // Save has not read back m_text yet
    bool m_saved = false;
    bool m_deleted = false;
    std::vector<bool> m_changed;
};

} // namespace tarnwel
