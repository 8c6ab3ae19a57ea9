// The graphics-memory report over the bitmap, sprite, font and framebuffer
// tables, the flush of every listed sprite and bitmap, and the graphics push
// and pop (which do nothing).
#pragma once

void KRV_ShowGraphicsMemory(void);
void KRV_FlushGraphics(void);
void KRV_PushGraphics(void);
void KRV_PopGraphics(void);
