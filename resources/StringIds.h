#pragma once
// The ids of the string table (resources/StringTable.cpp), by name. Every
// caller of LoadResourceText and of the progress sink's status texts uses
// these names; the table itself is written with them, so each id stands as a
// number here only. They are enumerators of an unnamed enum over int, so they
// stand wherever an id travels as int (kind descriptions, the progress sink,
// the table).

namespace tarnwel::string_id {

enum : int {
    // --- Conflict decisions of the server pass --------------------------------
    // Trace lines of a decision.
    kTraceRecreatedInOutlook = 159,
    kTraceDeletedOnServer = 160,
    kTraceBothUnchanged = 161,
    // "DESCR" takes the item's description.
    kDeletedInOutlookText = 162,
    kTraceOutlookOverwritten = 163,
    kTraceServerOverwritten = 164,
    kDiffersFromOutlookText = 165,
    kOverwriteNoRightsQuestion = 166,
    // Captions of the conflict dialog's options.
    kOverwriteServerCaption = 167,
    kOverwriteOutlookCaption = 168,
    kLeaveUnchangedCaption = 169,
    kDeleteOnServerCaption = 170,
    kRecreateInOutlookCaption = 171,
    kDeleteNoRightsQuestion = 172,

    // --- Progress of the appointment run ("%d" takes the counts) --------------
    kAppointmentsStart = 184,
    kAppointmentsFetched = 185,
    kAppointmentsServerRecord = 186,
    kAppointmentsOutlookFetched = 187,
    kAppointmentsOutlookRecord = 188,
    kAppointmentsOverwriteOnServer = 189,
    kAppointmentsDeleteOnServer = 190,
    kAppointmentsAddToServer = 191,
    kAppointmentsAddToOutlookStart = 192,
    kAppointmentsAddToOutlookRecord = 193,
    kAppointmentsOverwriteInOutlookStart = 194,
    kAppointmentsOverwriteInOutlookRecord = 195,
    kAppointmentsRemoveStart = 196,
    kAppointmentsRemoveRecord = 197,
    kAppointmentsEnd = 198,

    // --- Progress of the contact run -------------------------------------------
    kContactsStart = 199,
    kContactsFetched = 200,
    kContactsServerRecord = 201,
    kContactsOutlookRecord = 203,
    kContactsOverwriteOnServer = 204,
    kContactsDeleteOnServer = 205,
    kContactsAddToServer = 206,
    kContactsAddToOutlookRecord = 208,
    kContactsOverwriteInOutlookRecord = 210,
    kContactsRemoveRecord = 212,
    kContactsEnd = 213,

    // --- Progress of the task run ----------------------------------------------
    kTasksStart = 214,
    kTasksFetched = 215,
    kTasksServerRecord = 216,
    kTasksOutlookRecord = 218,
    kTasksOverwriteOnServer = 219,
    kTasksDeleteOnServer = 220,
    kTasksAddToServer = 221,
    kTasksAddToOutlookRecord = 223,
    // The task run's overwrite progress speaks of contacts ("Kontakten").
    kTasksOverwriteInOutlookRecord = 225,
    kTasksRemoveRecord = 227,
    kTasksEnd = 228,

    // --- Progress shared by the runs -------------------------------------------
    kFetchingServerData = 229,
    kPreparingOutlookData = 230,
    kContactsCopiedToOutlook = 231,
    kContactsWithChangedAddressesRecord = 232,

    // --- Questions and errors of one item ("%s" takes its description) ---------
    kNoRightsToCreateQuestion = 233,
    kOverwriteOnServerFailed = 234,
    kDeleteOnServerFailed = 235,
    kAddToServerFailed = 236,
    // The questions of the no-rights ask policies, one per rule.
    kNewNoRightsQuestion = 237,
    kTWDeletedNoRightsQuestion = 238,
    kOvrNoRightsQuestion = 239,
    kOLDeletedNoRightsQuestion = 240,

    // --- Labels of a contact's description -------------------------------------
    kPersonalHeading = 241,
    kSalutationLabel = 242,
    kFirstNameLabel = 243,
    kLastNameLabel = 244,
    kTitleLabel = 245,
    kDepartmentLabel = 246,
    kPositionLabel = 247,
    kFaxLabel = 248,
    kMobileLabel = 249,
    kEmailLabel = 250,
    kContactCommentLabel = 251,
    kPhoneLabel = 252,
    kPrivateAddressLabel = 253,
    kPrivatePhoneLabel = 254,
    kPrivateFaxLabel = 255,
    kPrivateMobileLabel = 256,
    kPrivateEmailLabel = 257,
    // Labels of the company part.
    kCompanyHeading = 258,
    kCompanyStatusLabel = 259,
    kEmployeesLabel = 260,
    kCompanyLabel = 261,
    kCompanySuffixLabel = 262,
    kStreetLabel = 263,
    kPostcodeLabel = 264,
    kCityLabel = 265,
    kCountryLabel = 266,
    kStateLabel = 267,
    kCompanyPhoneLabel = 268,
    kCompanyFaxLabel = 269,
    kCompanyEmailLabel = 270,
    kUrlLabel = 271,
    kMiscellaneousLabel = 272,
    kCompanyDescriptionLabel = 273,

    // --- Appointment descriptions and differences -----------------------------
    kAppointmentHeading = 274,
    kAllDayAppointmentHeading = 275,
    kAppointmentDescriptionLabel = 276,
    kLocationLabel = 277,
    kPeriodFrom = 278,
    kPeriodTo = 279,
    kAppointmentParticipantsHeading = 280,
    kAppointmentCommentLabel = 281,
    kAllDayEventLabel = 282,
    kStartsOnLabel = 283,
    kEndsOnLabel = 284,
    kDateLabel = 285,
    kAppointmentDifferencesStart = 286,
    // Ends the start of every difference heading (appointment, task, contact).
    kDifferencesHeadingEnd = 287,

    // --- Task descriptions and differences -------------------------------------
    kTaskHeading = 288,
    kTaskTitleLabel = 289,
    kTaskDescriptionLabel = 290,
    kAssignmentLabel = 291,
    kPriorityLabel = 292,
    kTaskStatusLabel = 293,
    kDeadlineLabel = 294,
    kStartDateLabel = 295,
    kTaskParticipantsHeading = 296,
    kTaskDifferencesStart = 303,
    kContactDifferencesStart = 304,
};

} // namespace tarnwel::string_id
