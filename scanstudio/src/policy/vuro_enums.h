#pragma once

// Option values shared by the scan profile, the page list and the window.
// Each has a fixed underlying type, so any number read from a profile is a
// valid value even where it names no option.

enum vuro_image_format : int {
    image_jpg = 0,
    image_png = 1,
    image_bmp = 2,
    image_tif = 3,
    image_pdf = 4,
    image_ofd = 5,
};

enum vuro_color_format : int {
    color_full = 0,
    color_gray = 1,
    color_mono = 2,
};

enum vuro_paper_unit : int {
    unit_mm = 0,
    unit_cm = 1,
    unit_inch = 2,
};

enum vuro_medium_type : int {
    medium_paper = 0,
    medium_idcard = 1,
};

enum vuro_policy_type : int {
    policy_picture = 0,
    policy_document = 1,
};
