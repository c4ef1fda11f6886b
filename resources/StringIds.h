#pragma once
// The ids of the string table (resources/StringTable.cpp), by name. Every
// caller of LoadResourceText and of the progress sink's status texts uses
// these names; the table itself is written with them, so each id stands as a
// number here only.

namespace tarnwel::string_id {

// --- Conflict decisions of the server pass --------------------------------
// Trace lines of a decision.
inline constexpr int kTraceRecreatedInOutlook = 159;
inline constexpr int kTraceDeletedOnServer = 160;
inline constexpr int kTraceBothUnchanged = 161;
// "DESCR" takes the item's description.
inline constexpr int kDeletedInOutlookText = 162;
inline constexpr int kTraceOutlookOverwritten = 163;
inline constexpr int kTraceServerOverwritten = 164;
inline constexpr int kDiffersFromOutlookText = 165;
inline constexpr int kOverwriteNoRightsQuestion = 166;
// Captions of the conflict dialog's options.
inline constexpr int kOverwriteServerCaption = 167;
inline constexpr int kOverwriteOutlookCaption = 168;
inline constexpr int kLeaveUnchangedCaption = 169;
inline constexpr int kDeleteOnServerCaption = 170;
inline constexpr int kRecreateInOutlookCaption = 171;
inline constexpr int kDeleteNoRightsQuestion = 172;

// --- Progress of the appointment run ("%d" takes the counts) --------------
inline constexpr int kAppointmentsStart = 184;
inline constexpr int kAppointmentsFetched = 185;
inline constexpr int kAppointmentsServerRecord = 186;
inline constexpr int kAppointmentsOutlookFetched = 187;
inline constexpr int kAppointmentsOutlookRecord = 188;
inline constexpr int kAppointmentsOverwriteOnServer = 189;
inline constexpr int kAppointmentsDeleteOnServer = 190;
inline constexpr int kAppointmentsAddToServer = 191;
inline constexpr int kAppointmentsAddToOutlookStart = 192;
inline constexpr int kAppointmentsAddToOutlookRecord = 193;
inline constexpr int kAppointmentsOverwriteInOutlookStart = 194;
inline constexpr int kAppointmentsOverwriteInOutlookRecord = 195;
inline constexpr int kAppointmentsRemoveStart = 196;
inline constexpr int kAppointmentsRemoveRecord = 197;
inline constexpr int kAppointmentsEnd = 198;

// --- Progress of the contact run -------------------------------------------
inline constexpr int kContactsStart = 199;
inline constexpr int kContactsFetched = 200;
inline constexpr int kContactsServerRecord = 201;
inline constexpr int kContactsOutlookRecord = 203;
inline constexpr int kContactsOverwriteOnServer = 204;
inline constexpr int kContactsDeleteOnServer = 205;
inline constexpr int kContactsAddToServer = 206;
inline constexpr int kContactsAddToOutlookRecord = 208;
inline constexpr int kContactsOverwriteInOutlookRecord = 210;
inline constexpr int kContactsRemoveRecord = 212;
inline constexpr int kContactsEnd = 213;

// --- Progress of the task run ----------------------------------------------
inline constexpr int kTasksStart = 214;
inline constexpr int kTasksFetched = 215;
inline constexpr int kTasksServerRecord = 216;
inline constexpr int kTasksOutlookRecord = 218;
inline constexpr int kTasksOverwriteOnServer = 219;
inline constexpr int kTasksDeleteOnServer = 220;
inline constexpr int kTasksAddToServer = 221;
inline constexpr int kTasksAddToOutlookRecord = 223;
// The task run's overwrite progress speaks of contacts ("Kontakten").
inline constexpr int kTasksOverwriteInOutlookRecord = 225;
inline constexpr int kTasksRemoveRecord = 227;
inline constexpr int kTasksEnd = 228;

// --- Progress shared by the runs -------------------------------------------
inline constexpr int kFetchingServerData = 229;
inline constexpr int kPreparingOutlookData = 230;
inline constexpr int kContactsCopiedToOutlook = 231;
inline constexpr int kContactsWithChangedAddressesRecord = 232;

// --- Questions and errors of one item ("%s" takes its description) ---------
inline constexpr int kNoRightsToCreateQuestion = 233;
inline constexpr int kOverwriteOnServerFailed = 234;
inline constexpr int kDeleteOnServerFailed = 235;
inline constexpr int kAddToServerFailed = 236;
// The questions of the no-rights ask policies, one per rule.
inline constexpr int kNewNoRightsQuestion = 237;
inline constexpr int kTWDeletedNoRightsQuestion = 238;
inline constexpr int kOvrNoRightsQuestion = 239;
inline constexpr int kOLDeletedNoRightsQuestion = 240;

// --- Labels of a contact's description -------------------------------------
inline constexpr int kPersonalHeading = 241;
inline constexpr int kSalutationLabel = 242;
inline constexpr int kFirstNameLabel = 243;
inline constexpr int kLastNameLabel = 244;
inline constexpr int kTitleLabel = 245;
inline constexpr int kDepartmentLabel = 246;
inline constexpr int kPositionLabel = 247;
inline constexpr int kFaxLabel = 248;
inline constexpr int kMobileLabel = 249;
inline constexpr int kEmailLabel = 250;
inline constexpr int kContactCommentLabel = 251;
inline constexpr int kPhoneLabel = 252;
inline constexpr int kPrivateAddressLabel = 253;
inline constexpr int kPrivatePhoneLabel = 254;
inline constexpr int kPrivateFaxLabel = 255;
inline constexpr int kPrivateMobileLabel = 256;
inline constexpr int kPrivateEmailLabel = 257;
// Labels of the company part.
inline constexpr int kCompanyHeading = 258;
inline constexpr int kCompanyStatusLabel = 259;
inline constexpr int kEmployeesLabel = 260;
inline constexpr int kCompanyLabel = 261;
inline constexpr int kCompanySuffixLabel = 262;
inline constexpr int kStreetLabel = 263;
inline constexpr int kPostcodeLabel = 264;
inline constexpr int kCityLabel = 265;
inline constexpr int kCountryLabel = 266;
inline constexpr int kStateLabel = 267;
inline constexpr int kCompanyPhoneLabel = 268;
inline constexpr int kCompanyFaxLabel = 269;
inline constexpr int kCompanyEmailLabel = 270;
inline constexpr int kUrlLabel = 271;
inline constexpr int kMiscellaneousLabel = 272;
inline constexpr int kCompanyDescriptionLabel = 273;

// --- Appointment descriptions and differences -----------------------------
inline constexpr int kAppointmentHeading = 274;
inline constexpr int kAllDayAppointmentHeading = 275;
inline constexpr int kAppointmentDescriptionLabel = 276;
inline constexpr int kLocationLabel = 277;
inline constexpr int kPeriodFrom = 278;
inline constexpr int kPeriodTo = 279;
inline constexpr int kAppointmentParticipantsHeading = 280;
inline constexpr int kAppointmentCommentLabel = 281;
inline constexpr int kAllDayEventLabel = 282;
inline constexpr int kStartsOnLabel = 283;
inline constexpr int kEndsOnLabel = 284;
inline constexpr int kDateLabel = 285;
inline constexpr int kAppointmentDifferencesStart = 286;
// Ends the start of every difference heading (appointment, task, contact).
inline constexpr int kDifferencesHeadingEnd = 287;

// --- Task descriptions and differences -------------------------------------
inline constexpr int kTaskHeading = 288;
inline constexpr int kTaskTitleLabel = 289;
inline constexpr int kTaskDescriptionLabel = 290;
inline constexpr int kAssignmentLabel = 291;
inline constexpr int kPriorityLabel = 292;
inline constexpr int kTaskStatusLabel = 293;
inline constexpr int kDeadlineLabel = 294;
inline constexpr int kStartDateLabel = 295;
inline constexpr int kTaskParticipantsHeading = 296;
inline constexpr int kTaskDifferencesStart = 303;
inline constexpr int kContactDifferencesStart = 304;

} // namespace tarnwel::string_id
