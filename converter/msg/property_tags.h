// The message properties the converter reads, by name. A property is looked up by its four
// upper-case hex digits (the identifier half of its tag); the type half is found by the
// look-up itself (outlook_storage.h).
#pragma once

namespace quorlin::tags {

// The message.
inline constexpr char kMessageClass[] = "001A";
inline constexpr char kSubject[] = "0037";
inline constexpr char kClientSubmitTime[] = "0039";      // when it was sent
inline constexpr char kMessageDeliveryTime[] = "0E06";   // when it arrived
inline constexpr char kNormalizedSubject[] = "0E1D";
inline constexpr char kSenderName[] = "0C1A";
inline constexpr char kSenderEmailAddress[] = "0C1F";
inline constexpr char kSenderSmtpAddress[] = "5D01";
inline constexpr char kDisplayTo[] = "0E04";
inline constexpr char kDisplayCc[] = "0E03";
inline constexpr char kDisplayBcc[] = "0E02";
inline constexpr char kBody[] = "1000";
inline constexpr char kRtfCompressed[] = "1009";
inline constexpr char kHtml[] = "1013";
inline constexpr char kMessageCodePage[] = "3FFD";       // the message's Windows code page
inline constexpr char kInternetCodePage[] = "3FDE";      // the code page the body came in

// An attachment.
inline constexpr char kAttachData[] = "3701";            // bytes, or a storage
inline constexpr char kAttachFilename[] = "3704";        // the short (8.3) name
inline constexpr char kAttachMethod[] = "3705";
inline constexpr char kAttachLongFilename[] = "3707";
inline constexpr char kRenderingPosition[] = "370B";
inline constexpr char kAttachMimeTag[] = "370E";
inline constexpr char kAttachContentId[] = "3712";
inline constexpr char kAttachContentLocation[] = "3713";
inline constexpr char kAttachmentHidden[] = "7FFE";
inline constexpr char kAttachDisplayName[] = "3001";  // the display name, on an attachment

}  // namespace quorlin::tags
