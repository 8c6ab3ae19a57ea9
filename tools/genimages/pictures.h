// The show's 25 pictures. Each painter fills a canvas of the size the image
// table gives it and returns false when it ran out of memory.
#pragma once

#include "tools/genimages/paint.h"

bool paint_curtain(Canvas* c);
bool paint_intro(Canvas* c);
bool paint_vote(Canvas* c);
bool paint_band(Canvas* c);
bool paint_title(Canvas* c);
bool paint_lumitide_waves(Canvas* c);
bool paint_lumitide_night(Canvas* c);
bool paint_lumitide_dawn(Canvas* c);
bool paint_lumitide_text(Canvas* c);
bool paint_lumitide_tile(Canvas* c);
bool paint_ko1(Canvas* c);
bool paint_ko2(Canvas* c);
bool paint_varu_tissue(Canvas* c);
bool paint_varu_hearts(Canvas* c);
bool paint_credits1(Canvas* c);
bool paint_credits2(Canvas* c);
bool paint_credits3(Canvas* c);
bool paint_credits4(Canvas* c);
bool paint_dancers(Canvas* c);
bool paint_dancers_cutout(Canvas* c);
bool paint_prolvens_day(Canvas* c);
bool paint_prolvens_night(Canvas* c);
bool paint_prolvens_text(Canvas* c);
bool paint_moss_scroller(Canvas* c);
bool paint_glint_strip(Canvas* c);
