// Names and texts of the program that more than one window shows.
#pragma once

namespace varnok {

// The application's title, as the taskbar and the message boxes show it.
inline constexpr char kApplicationTitle[] = "Varnok";
// The main window's caption.
inline constexpr char kProgramCaption[] = "Varnok 1.4 beta";
// The version, from the build (the project version, 1.4.0.143).
inline constexpr char kProgramVersion[] = VARNOK_VERSION;

// The maker, as the About box names it. The web site is a bare host name;
// opening it puts "http://" in front.
inline constexpr char kMakerName[] = "KMOR";
inline constexpr char kMakerMail[] = "info@kmor.example";
inline constexpr char kMakerSite[] = "www.kmor.example";

}  // namespace varnok
