// Identifiers of the Outlook and Word objects the add-in meets: the
// interfaces it asks an object for to learn what it is (members are then
// called by name), the event interfaces it sinks and their DISPIDs, and the
// enumeration values it passes.
#pragma once

#include <windows.h>
#include <oaidl.h>

namespace mivo::addin::office {

constexpr GUID outlook_guid(unsigned long first) noexcept {
  return {first, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
}

// Outlook's interfaces.
inline constexpr IID IID_Application = outlook_guid(0x00063001);
inline constexpr IID IID_Inspector = outlook_guid(0x00063005);
inline constexpr IID IID_MAPIFolder = outlook_guid(0x00063006);
inline constexpr IID IID_AppointmentItem = outlook_guid(0x00063033);
inline constexpr IID IID_MeetingItem = outlook_guid(0x00063062);
// Word's document behind Inspector.WordEditor.
inline constexpr IID IID_Document = outlook_guid(0x0002096B);

// Outlook's event interfaces.
inline constexpr IID DIID_ApplicationEvents = outlook_guid(0x0006304E);
inline constexpr IID DIID_InspectorsEvents = outlook_guid(0x00063079);
inline constexpr IID DIID_InspectorEvents = outlook_guid(0x0006307D);
inline constexpr IID DIID_ItemEvents = outlook_guid(0x0006303A);

// Events handled, by interface.
inline constexpr DISPID kItemSend = 0xF002;      // ApplicationEvents
inline constexpr DISPID kNewInspector = 0xF001;  // InspectorsEvents
inline constexpr DISPID kItemOpen = 0xF003;      // ItemEvents
inline constexpr DISPID kItemSendEvent = 0xF005;
inline constexpr DISPID kItemWrite = 0xF002;
inline constexpr DISPID kInspectorClose = 0xF008;  // InspectorEvents

// Enumerations.
inline constexpr long olAppointmentItem = 1;           // OlItemType
inline constexpr long olMeeting = 1;                   // OlMeetingStatus
inline constexpr long olMeetingReceived = 3;           // OlMeetingStatus
inline constexpr long olFolderDeletedItems = 3;        // OlDefaultFolders
inline constexpr long olText = 1;                      // OlUserPropertyType
inline constexpr long olExchangeDistributionList = 1;  // OlAddressEntryUserType
inline constexpr long olExchangeAgent = 3;             // OlAddressEntryUserType
inline constexpr long msoLanguageIDUI = 2;             // MsoAppLanguageID

}  // namespace mivo::addin::office
