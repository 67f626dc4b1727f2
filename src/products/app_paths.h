// The App Paths entry of an executable: its `Path` value is where a setup put it.
#pragma once

#define ZEM_APP_PATHS "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\"
