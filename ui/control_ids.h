// Child-window identifiers of MainWindow; the end-to-end driver finds the controls by them.
#pragma once

inline constexpr int kIdStatusLabel = 1001;
inline constexpr int kIdSuspectList = 1002;
inline constexpr int kIdScoreCaptionLabel = 1003;
inline constexpr int kIdScoreLabel = 1004;
inline constexpr int kIdVerdictLabel = 1005;
inline constexpr int kIdDrivePromptLabel = 1006;
inline constexpr int kIdDriveBox = 1007;
inline constexpr int kIdScanButton = 1008;
inline constexpr int kIdFullScanButton = 1009;
inline constexpr int kIdClearButton = 1010;
inline constexpr int kIdDisclaimerLabel = 1011;
inline constexpr int kIdDriveList = 1012;
inline constexpr int kIdScanTimer = 1;

// The window class of MainWindow.
inline constexpr wchar_t kMainWindowClass[] = L"KevuMainWindow";
