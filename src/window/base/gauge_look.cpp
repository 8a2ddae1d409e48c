#include "window/base/gauge_look.h"

#include <wx/gauge.h>

#include <algorithm>
#include <string>

#ifdef __WXGTK__
#include <gtk/gtk.h>
#endif

namespace {

constexpr int kMargin = 2;
constexpr int kMinimumBar = 6;

}  // namespace

int GaugeLook::BarHeight(int gaugeHeight) {
    return std::max(kMinimumBar, gaugeHeight - 2 * kMargin);
}

void GaugeLook::FillHeight(wxGauge* gauge) {
    if (gauge == nullptr) return;
#ifdef __WXGTK__
    GtkWidget* widget = static_cast<GtkWidget*>(gauge->GetHandle());
    if (widget == nullptr) return;
    const std::string bar = std::to_string(BarHeight(gauge->GetSize().GetHeight())) + "px";
    const std::string css = "progressbar trough, progressbar progress { min-height: " + bar +
                            "; }\n"
                            "progressbar progress { border-radius: 2px; }\n";
    GtkCssProvider* provider = gtk_css_provider_new();
    if (gtk_css_provider_load_from_data(provider, css.c_str(), -1, nullptr)) {
        // Trough and bar are nodes inside the widget; they take the widget's providers.
        GtkStyleContext* context = gtk_widget_get_style_context(widget);
        gtk_style_context_add_provider(context, GTK_STYLE_PROVIDER(provider),
                                       GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    }
    g_object_unref(provider);
    gtk_widget_queue_resize(widget);
#endif
}
