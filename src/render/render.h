// Drawing: the frame renderer, the overlay and the bitmap text.
#pragma once

void initText(int width, int height);
