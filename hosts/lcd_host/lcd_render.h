// Ways to show an LcdScreen: plain-text frames for tests and pipes, big-pixel terminal
// views for people. Custom characters appear as their dots in the big view and as the
// markers ① to ⑧ in frames.
#pragma once

#include <string>

#include "hosts/lcd_host/lcd_screen.h"

// The screen in a box of "+-|", one line per row, UTF-8.
std::string RenderFrame(const LcdScreen& screen);
