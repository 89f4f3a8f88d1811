#pragma once
// The package tree (control 1011) and its count label: grouping by class and
// provider, rebuilds that keep the user's view, and checking.
#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "ui/main_window/app_state.h"

// The list the current mode shows: installed packages, or the source packages
// in Installation.
std::vector<DriverPackage>& CurrentList(AppState& state);

// The checked packages of a list, in list order.
std::vector<DriverPackage*> CheckedPackagesOf(std::vector<DriverPackage>& list);

// The search box's text with white space trimmed at both ends.
std::wstring SearchQuery(const AppState& state);

// PackageMatchesSearch with the package's class group text and the language.
bool PackageMatchesQuery(AppState& state, const DriverPackage& package, const std::wstring& query);

// Whether each package of the current list matches the query, in list order.
std::vector<bool> SearchMatches(AppState& state, const std::wstring& query);

// Rebuilds the tree of the current mode. Without a view the live tree is
// captured first and restored afterwards.
void RebuildTree(AppState& state, const PackageTreeView* view = nullptr);

PackageTreeView CapturePackageTree(AppState& state);

// Select all (true: every package matching the search) or Clear selection
// (false: every package of the list, hidden ones included).
void CheckVisiblePackages(AppState& state, bool check);

// Sets every item's check image from the packages' checked flags.
void SyncCheckImages(HWND tree, HTREEITEM first);

// The count label; `matching` counts the packages the (trimmed) query matches.
void UpdatePackageCount(AppState& state, const std::wstring& query, std::size_t matching);

// The tree's WM_NOTIFY traffic (state-image changes, selection, custom draw,
// clicks right of an item). Returns true with `result` set when handled.
bool HandlePackageTreeNotify(AppState& state, const NMHDR& header, LRESULT& result);

// The padded check images for the window's DPI; made again on a DPI change.
// Also makes sure every click or key that toggles a check box reaches the
// window as TVN_ITEMCHANGED (tree_check_toggles.h).
void ApplyPaddedCheckImages(AppState& state);
