#pragma once
// Installation and removal change an offline Windows' Driver Store and hives;
// a hibernated one must be shut down fully first.
struct AppState;

// True, after logging and telling the user, when the chosen target is an offline
// Windows that is hibernated or suspended by Fast Startup.
bool RefuseHibernatedTarget(AppState& state);
