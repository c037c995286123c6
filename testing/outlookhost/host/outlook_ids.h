// The identities of Outlook's and Word's interfaces and event interfaces,
// and the DISPIDs of their events and enumerations, as Outlook's and Word's
// type libraries give them (read from listings of those type libraries and
// Microsoft's interop reference).
#pragma once

#include <windows.h>

namespace mivo::outlookhost {

namespace iid {
// Outlook dual interfaces.
inline constexpr IID application = {0x00063001, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID name_space = {0x00063002, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID explorer = {0x00063003, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID inspector = {0x00063005, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID mapi_folder = {0x00063006, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID inspectors = {0x00063008, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID property_accessor = {0x0006302D, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID appointment_item = {0x00063033, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID recipients = {0x0006303B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID user_properties = {0x0006303D, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID user_property = {0x00063042, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID recurrence_pattern = {0x00063044, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID recipient = {0x00063045, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID address_entry = {0x0006304B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID meeting_item = {0x00063062, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID exchange_user = {0x000630C9, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID exchange_list = {0x000630CA, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// Outlook event interfaces.
inline constexpr IID application_events = {0x0006304E, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID application_events_10 = {0x0006300E, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID application_events_11 = {0x0006302C, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID inspectors_events = {0x00063079, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID inspector_events = {0x0006307D, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID inspector_events_10 = {0x0006302A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID item_events = {0x0006303A, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID item_events_10 = {0x0006302B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// Office.
inline constexpr IID language_settings = {0x000C0353, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
// Word.
inline constexpr IID word_document = {0x0002096B, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID word_range = {0x0002095E, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID word_bookmarks = {0x00020967, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
inline constexpr IID word_bookmark = {0x00020968, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
}  // namespace iid

namespace event {
// ApplicationEvents (all three versions).
inline constexpr DISPID item_send = 0xF002;
inline constexpr DISPID startup = 0xF006;
inline constexpr DISPID quit = 0xF007;
// InspectorsEvents.
inline constexpr DISPID new_inspector = 0xF001;
// InspectorEvents.
inline constexpr DISPID inspector_activate = 0xF001;
inline constexpr DISPID inspector_deactivate = 0xF006;
inline constexpr DISPID inspector_close = 0xF008;
// ItemEvents; BeforeDelete and Unload came with ItemEvents_10.
inline constexpr DISPID item_read = 0xF001;
inline constexpr DISPID item_write = 0xF002;
inline constexpr DISPID item_open = 0xF003;
inline constexpr DISPID item_close = 0xF004;
inline constexpr DISPID item_send_event = 0xF005;
inline constexpr DISPID custom_property_change = 0xF008;
inline constexpr DISPID property_change = 0xF009;
inline constexpr DISPID before_delete = 0xFA75;
inline constexpr DISPID unload = 0xFBAD;
}  // namespace event

// Outlook's enumerations.
enum ol_item_type : long { olMailItem = 0, olAppointmentItem = 1 };
enum ol_meeting_status : long {
  olNonMeeting = 0,
  olMeeting = 1,
  olMeetingReceived = 3,
  olMeetingCanceled = 5,
  olMeetingReceivedAndCanceled = 7
};
enum ol_default_folder : long {
  olFolderDeletedItems = 3,
  olFolderOutbox = 4,
  olFolderSentMail = 5,
  olFolderInbox = 6,
  olFolderCalendar = 9
};
enum ol_user_property_type : long {
  olOutlookInternal = 0,
  olText = 1,
  olNumber = 3,
  olDateTime = 5,
  olYesNo = 6,
  olDuration = 7,
  olKeywords = 11,
  olPercent = 12,
  olCurrency = 14,
  olFormula = 18,
  olCombination = 19,
  olInteger = 20,
  olEnumeration = 21,
  olSmartFrom = 22
};
enum ol_address_entry_user_type : long {
  olExchangeUserAddressEntry = 0,
  olExchangeDistributionListAddressEntry = 1,
  olExchangeAgentAddressEntry = 3,
  olSmtpAddressEntry = 30
};
enum ol_recurrence_type : long {
  olRecursDaily = 0,
  olRecursWeekly = 1,
  olRecursMonthly = 2,
  olRecursMonthNth = 3
};
enum ol_recurrence_state : long {
  olApptNotRecurring = 0,
  olApptMaster = 1,
  olApptOccurrence = 2,
  olApptException = 3
};
enum ol_inspector_close : long { olSave = 0, olDiscard = 1, olPromptForSave = 2 };
enum ol_editor_type : long { olEditorWord = 4 };
enum ol_appointment_copy_options : long {
  olPromptUser = 0,
  olCreateAppointment = 1,
  olCopyAsAccept = 2
};
// Office's enumerations.
enum mso_app_language_id : long { msoLanguageIDInstall = 1, msoLanguageIDUIPrevious = 5 };

}  // namespace mivo::outlookhost
