// Identifiers and texts shared by the About dialog's resource and its code.
#pragma once

#define ABOUT_AUTHOR_LINK 42081
#define ABOUT_DISPLAY_HOST_LINK 42082
#define ABOUT_MAIL_LINK 42083

#define ABOUT_CREDIT "(c) 2026 Glyphbox team"
#define ABOUT_AUTHOR_TEXT "glyphbox-lcd.example.org"
#define ABOUT_DISPLAY_HOST_TEXT "lcd-host.example.org"
#define ABOUT_MAIL_TEXT "team@glyphbox-lcd.example.org"
