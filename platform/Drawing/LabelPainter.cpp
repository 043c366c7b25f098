#include "LabelPainter.h"

#include <Foundation/NSString.h>
#include <UIKit/UIColor.h>
#include <UIKit/UILabel.h>

#include <fontconfig/fontconfig.h>
#include <pango/pangocairo.h>

#include <utility>

namespace Drawing {

namespace {

constexpr const char* kFontFamily = "Liberation Sans";
constexpr double kFontSize = 17; // points

// The font machinery, made on the first label and kept until the process ends: finding
// and loading the font is most of the cost of a first drawing.
struct TextSetup {
    PangoContext* context;
    PangoFontDescription* font;
};

TextSetup* setup = nullptr;

const TextSetup& textSetup() {
    if (setup)
        return *setup;
    PangoFontMap* fontMap = pango_cairo_font_map_get_default();
    PangoContext* context = pango_font_map_create_context(fontMap);
    // Grey antialiasing and unhinted metrics: the same layout at every scale.
    cairo_font_options_t* options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_OFF);
    pango_cairo_context_set_font_options(context, options);
    cairo_font_options_destroy(options);

    PangoFontDescription* font = pango_font_description_new();
    pango_font_description_set_family(font, kFontFamily);
    // Absolute: in the drawing's own units, which are points.
    pango_font_description_set_absolute_size(font, kFontSize * PANGO_SCALE);
    setup = new TextSetup{context, font};
    return *setup;
}

PangoAlignment pangoAlignment(long alignment) {
    switch (alignment) {
    case 1:
        return PANGO_ALIGN_CENTER;
    case 2:
        return PANGO_ALIGN_RIGHT;
    default:
        return PANGO_ALIGN_LEFT;
    }
}

} // namespace

void releaseTextSetup() {
    if (!setup)
        return;
    g_object_unref(setup->context);
    pango_font_description_free(setup->font);
    delete std::exchange(setup, nullptr);
    // The font map keeps every font it has loaded; fontconfig keeps its configuration.
    pango_cairo_font_map_set_default(nullptr);
    FcFini();
}

void paintLabelText(cairo_t* cr, const UILabel& label, CGRect frame) {
    const NSString* text = label.text();
    if (!text || text->UTF8String().empty())
        return;
    if (!(frame.size.width > 0) || !(frame.size.height > 0))
        return;

    const TextSetup& setup = textSetup();
    pango_cairo_update_context(cr, setup.context);
    PangoLayout* layout = pango_layout_new(setup.context);
    pango_layout_set_font_description(layout, setup.font);
    const std::string& utf8 = text->UTF8String();
    char* valid = g_utf8_make_valid(utf8.data(), static_cast<gssize>(utf8.size()));
    pango_layout_set_text(layout, valid, -1);
    g_free(valid);
    pango_layout_set_single_paragraph_mode(layout, TRUE);
    pango_layout_set_auto_dir(layout, FALSE);
    pango_layout_set_width(layout, static_cast<int>(frame.size.width * PANGO_SCALE));
    pango_layout_set_ellipsize(layout, PANGO_ELLIPSIZE_END);
    pango_layout_set_alignment(layout, pangoAlignment(label.textAlignment()));

    PangoRectangle logical;
    pango_layout_get_extents(layout, nullptr, &logical);
    const double lineHeight = double(logical.height) / PANGO_SCALE;

    cairo_save(cr);
    cairo_rectangle(cr, frame.origin.x, frame.origin.y, frame.size.width, frame.size.height);
    cairo_clip(cr);
    if (const UIColor* colour = label.textColor())
        cairo_set_source_rgba(cr, colour->red(), colour->green(), colour->blue(), colour->alpha());
    else
        cairo_set_source_rgba(cr, 0, 0, 0, 1);
    const double top = double(logical.y) / PANGO_SCALE;
    cairo_move_to(cr, frame.origin.x, frame.origin.y + (frame.size.height - lineHeight) / 2 - top);
    pango_cairo_show_layout(cr, layout);
    cairo_restore(cr);
    g_object_unref(layout);
}

} // namespace Drawing
