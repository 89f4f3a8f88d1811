#pragma once
// Whether this process runs with an elevated token.

bool IsProcessElevated();
