// Resource numbers shared by the .rc files and the window code.
#pragma once

// The pier drawing, rasterised at build time at 100 %, 150 % and 200 %.
#define PIERQTY_IDR_PIER_100 101
#define PIERQTY_IDR_PIER_150 102
#define PIERQTY_IDR_PIER_200 103
#define PIERQTY_IDI_APP 1
