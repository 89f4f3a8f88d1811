#pragma once
// Everything the interactive run shares between start-up, the main window and
// its dialogs. Owned by start-up; lives for the whole run. Interface thread
// only, except CancelRequested.
#include <windows.h>

#include <commctrl.h>

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "analysis/removal_reason.h"
#include "core/event_log.h"
#include "core/localized_text.h"
#include "core/settings.h"
#include "core/string_compare.h"
#include "platform/dism_session.h"
#include "platform/driver_package.h"
#include "platform/package_size.h"
#include "platform/target_windows.h"
#include "ui/layout/layout_item.h"
#include "ui/package_tree/package_tree_types.h"

enum class AppMode : int { Backup = 0, Removal = 1, Installation = 2 };

// Where a list was read from; an operation runs only on a list whose key still
// names the chosen target or source.
struct LoadedListKey {
    std::wstring Path;  // normalized; empty when the path could not be made absolute
    bool Flag = false;  // installed list: target is current; source list: source is an archive
    bool Valid = false;
};

// Packages associated with devices and confirmed in use, as the refresh found them.
struct BindingStatistics {
    std::uint64_t Associated = 0;
    std::uint64_t Running = 0;
    bool AssociatedKnown = false;
    bool RunningKnown = false;
};

struct AppState {
    AppState() { Events.UiThreadId = ::GetCurrentThreadId(); }
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    HWND MainWindow = nullptr;
    HINSTANCE Instance = nullptr;
    AppMode Mode = AppMode::Backup;
    LangId Language = 1;
    RemovalOptions Options;
    DismSession Dism;
    std::atomic<bool> CancelRequested{false};
    EventLog Events;  // also holds the log window and the memory text
    std::wstring BackupFolder;
    std::wstring SafetyBackupFolder;
    std::wstring InstallFolder;
    std::wstring InstallArchive;

    // Lists and where they came from.
    std::vector<TargetWindows> Targets;
    std::wstring TargetRoot;
    bool TargetIsCurrent = false;
    std::vector<DriverPackage> Installed;
    LoadedListKey InstalledKey;
    BindingStatistics Bindings;
    std::vector<PackageVerdict> CleanupResults;
    std::vector<DriverPackage> Sources;
    LoadedListKey SourceKey;
    std::wstring ExtractedSourceFolder;  // temporary extraction of an archive source
    PackageSizeCache SizeCache;
    std::map<std::wstring, std::wstring, IgnoreCaseLess> ClassNameCache;
    std::wstring SevenZipPath;

    // Choices of the 7z check box, one per mode.
    bool PackToArchive = false;
    bool EmergencyBackup = true;
    bool SourceIsArchive = false;

    // Package tree and details pane.
    std::vector<std::unique_ptr<TreeNodeData>> TreeNodes;
    HIMAGELIST OriginalCheckImages = nullptr;
    HIMAGELIST PaddedCheckImages = nullptr;
    PackageTreeView SavedInstalledView;
    PackageTreeView SavedSourceView;
    bool SuppressTreeEvents = false;
    DetailsState Details;

    // Window furniture.
    bool Updating = false;  // UpdateModeControls runs: path box edits are the program's own
    HICON DriveIcon = nullptr;
    HICON HelpIcon = nullptr;
    HICON AppIconLarge = nullptr;
    HICON AppIconSmall = nullptr;
    HFONT BodyFont = nullptr;
    HFONT BodySemiboldFont = nullptr;
    HFONT HeadingFont = nullptr;
    HFONT HeadingUnderlinedFont = nullptr;
    HFONT DetailsHeadingFont = nullptr;
    HBRUSH BackgroundBrush = nullptr;
    HBRUSH WhiteBrush = nullptr;
    HBRUSH HeaderBrush = nullptr;
    HWND Tooltip = nullptr;
    HWND SevenZipTooltip = nullptr;
    std::wstring TooltipText;
    std::wstring SevenZipTooltipText;
    UINT Dpi = 96;
    WindowLayout Layout;
    int SplitterOffset = 0;     // pixels at the current DPI added to the tree's width
    bool SplitterDragging = false;
    int SplitterGrab = 0;       // pointer's distance from the tree's right edge when the drag began
    bool TitleHovered = false;
    bool HelpHovered = false;

    // Background jobs and the status line.
    bool Busy = false;
    bool JobRunning = false;         // a worker runs inside RunJob
    bool CloseRequested = false;     // the window was closed while busy
    bool ProgressMarquee = false;
    bool StatusIsTemporary = false;  // a result that the next change replaces with "Ready"
    HWND FocusBeforeBusy = nullptr;  // where the keyboard was when the job began
};
