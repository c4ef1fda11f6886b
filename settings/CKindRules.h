#pragma once
// The conflict rules and no-rights policies of one item kind (appointments,
// contacts or tasks). The values are the list positions of the rule dialogs;
// the code that applies a rule decides what an unknown value means, so a value
// read from the settings file is kept as it stands, even out of range.

#include "platform/base/OleDate.h"

namespace tarnwel {

// The codes of the rules, by name. Each is a list position of its rule
// dialog and the number "TarnwelClient.ini" keeps; the fields below stay
// plain ints, so that a code the names do not know survives a load and a
// save unchanged.
namespace rule_code {

// Ovr Action: a replicated pair was changed on one or both sides.
inline constexpr int kOvrOverwriteOutlook = 0;  // the server version overwrites Outlook
inline constexpr int kOvrOverwriteServer = 1;   // the Outlook version overwrites the server
inline constexpr int kOvrNewerWins = 2;         // the older side is overwritten
inline constexpr int kOvrAskUser = 3;           // the conflict dialog

// New Action: an Outlook item was never replicated.
inline constexpr int kNewAddToServer = 0;
inline constexpr int kNewRemoveFromOutlook = 1;
inline constexpr int kNewAskUser = 2;
inline constexpr int kNewLeave = 3;

// OLDeleted Action: the Outlook item of a pair was deleted.
inline constexpr int kOLDeletedRestoreInOutlook = 0;
inline constexpr int kOLDeletedDeleteOnServer = 1;
inline constexpr int kOLDeletedAskUser = 2;

// TWDeleted Action: the server item of a pair was deleted.
inline constexpr int kTWDeletedRemoveFromOutlook = 0;
inline constexpr int kTWDeletedRestoreOnServer = 1;
inline constexpr int kTWDeletedAskUser = 2;

// NoRights of every rule: what happens when the server right that the
// action needs is missing. Each acts on the Outlook side only.
inline constexpr int kNoRightsActInOutlook = 0;  // the Outlook side follows (overwritten, deleted, restored)
inline constexpr int kNoRightsAskUser = 1;       // a Yes/No question whether it should
inline constexpr int kNoRightsLeave = 2;         // both sides stay as they are

} // namespace rule_code

// What a decision does by a NoRights code: `actInOutlook`, `ask`, or `leave`
// for kNoRightsLeave and for every code the names do not know.
template <typename Action>
constexpr Action ActionOfNoRights(int noRights, Action actInOutlook, Action ask, Action leave)
{
    switch (noRights) {
    case rule_code::kNoRightsActInOutlook:
        return actInOutlook;
    case rule_code::kNoRightsAskUser:
        return ask;
    default:
        return leave;
    }
}

struct CKindRules {
    // A replicated pair was changed on one or both sides.
    int ovrAction = rule_code::kOvrOverwriteOutlook;
    int ovrNoRights = rule_code::kNoRightsLeave;  // when the server right is missing
    // An Outlook item was never replicated.
    int newAction = rule_code::kNewAddToServer;
    int newNoRights = rule_code::kNoRightsLeave;
    // The Outlook item of a pair was deleted.
    int olDeletedAction = rule_code::kOLDeletedRestoreInOutlook;
    int olDeletedNoRights = rule_code::kNoRightsLeave;
    int olDeletedNewerThan = 0;  // flag: the rule applies its date condition
    COleDate olDeletedNewerThanDate;  // the zero date until defaults or a load set it
    // The server item of a pair was deleted.
    int twDeletedAction = rule_code::kTWDeletedRemoveFromOutlook;
    int twDeletedNoRights = rule_code::kNoRightsLeave;
    int twDeletedNewerThan = 0;  // flag
    COleDate twDeletedNewerThanDate;

    // Every field to its default; both dates to `newerThanDate`.
    void SetDefaults(const COleDate& newerThanDate)
    {
        *this = CKindRules{};
        olDeletedNewerThanDate = newerThanDate;
        twDeletedNewerThanDate = newerThanDate;
    }

    friend bool operator==(const CKindRules&, const CKindRules&) = default;
};

} // namespace tarnwel
