#pragma once

// The scanner backend's options as the scan session uses them: the standard
// ones it sets by number, its three private ones, and the texts it sends.
// Shared by the session and the stand-in backend.
namespace scan_backend {

inline constexpr int kOptionMode = 3;
inline constexpr int kOptionResolution = 4;
inline constexpr int kOptionFive = 5;
inline constexpr int kOptionSix = 6;
inline constexpr int kOptionAreaLeft = 8;
inline constexpr int kOptionAreaTop = 9;
inline constexpr int kOptionAreaRight = 10;
inline constexpr int kOptionAreaBottom = 11;
inline constexpr int kOptionSource = 13;
inline constexpr int kOptionPrepare = 1000;        // set before every scan
inline constexpr int kOptionPageState = 1001;      // read after every read
inline constexpr int kOptionFeederPresent = 1002;  // info 1: the device has a feeder

inline constexpr int kPageBegins = 9;  // page state: a new page begins
inline constexpr int kHasFeeder = 1;

inline constexpr const char *kModeBinary = "BINARY";
inline constexpr const char *kModeGray = "GRAY";
inline constexpr const char *kModeColor = "COLOR";

inline constexpr const char *kSourceFlatbed = "Flatbed";
inline constexpr const char *kSourceFeeder = "Automatic Document Feeder";
inline constexpr const char *kSourceAuto = "Auto Select";

}  // namespace scan_backend
