#pragma once
// Resource number of the settings dialog's icon (dialog_icon.rc).

#define TAVRIX_DIALOG_ICON 201
