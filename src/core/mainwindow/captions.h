// SPDX-License-Identifier: GPL-3.0-or-later
// The captions of the main window, as the user reads them ("&" marks the access key).
#pragma once

namespace zweiblick {

inline constexpr const char* kFrame1Caption = "Vergleichsliste";
inline constexpr const char* kFrame3Caption = "Steuerung";
inline constexpr const char* kBtnHelpCaption = "&Hilfe";
inline constexpr const char* kBtnClipboardCaption = "&Zwischen- ablage";
inline constexpr const char* kBtnSaveParamsCaption = "Parameter &sichern";
inline constexpr const char* kBtnLoadParamsCaption = "Parameter &laden";
inline constexpr const char* kBtnSyncCaption = "Dateien- &abgleich";
inline constexpr const char* kBtnCompareCaption = "Dateien- &vergleich";
inline constexpr const char* kBtnEndCaption = "&Ende";
inline constexpr const char* kBtnInfoCaption = "&Info";
inline constexpr const char* kCompModeBinaryCaption = "&Binärvergleich";
inline constexpr const char* kCompModeAgeCaption = "Al&tersvergleich";
inline constexpr const char* kCompModeChangesCaption = "Än&derungsvergleich";
inline constexpr const char* kTopMostCaption = "Fenter &immer im Vordergrund halten";
inline constexpr const char* kSofortStartCaption =
    "&Nach dem Auffüllen der rechten Spalte sofort mit dem Vergleich beginnen";
inline constexpr const char* kToolTipCaption = "&ToolTips anzeigen";
inline constexpr const char* kSpeedCaption = "&Schneller ausführen";
inline constexpr const char* kDiffOnlyCaption = "Nur &Unterschiede zeigen";

// The popup menu pum, items 1 to 10; "-" is a separator.
inline constexpr const char* kPopupCaptions[10] = {"--> kopiere nach rechts",
                                                   "<-- kopiere nach links",
                                                   "-",
                                                   "X-> rechts löschen",
                                                   "<-X links löschen",
                                                   "XX  beide löschen",
                                                   "-",
                                                   "][ übergehen",
                                                   "-",
                                                   "&Abbrechen"};

// The small button beside the folder buttons, and its key.
inline constexpr const char* kReloadToolTip =
    "Liest beide Ordner neu ein und wiederholt den letzten Vergleich (F5)";

// The small button after the progress bar, shown while there is a run to undo.
inline constexpr const char* kUndoToolTip = "Letzten Abgleich rückgängig machen (Strg+Z)";

}  // namespace zweiblick
