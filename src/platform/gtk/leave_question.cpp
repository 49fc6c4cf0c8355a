#include "platform/gtk/leave_question.h"

#include <utility>

namespace corvane::platform::gtk {

namespace {

constexpr const char* kQuestion = "Are you sure you want to leave this page?";

struct Waiting {
    std::function<void(bool leave)> answered;

    void answer(bool leave) {
        if (answered) {
            std::function<void(bool)> once = std::move(answered);
            answered = nullptr;
            once(leave);
        }
    }
};

void on_response(GtkDialog* dialog, int response, gpointer waiting) {
    static_cast<Waiting*>(waiting)->answer(response == GTK_RESPONSE_ACCEPT);
    gtk_window_destroy(GTK_WINDOW(dialog));
}

// The dialog went without a response (its window closed): the page stays.
void on_dialog_gone(gpointer waiting, GClosure*) {
    auto* owned = static_cast<Waiting*>(waiting);
    owned->answer(false);
    delete owned;
}

} // namespace

void ask_to_leave(GtkWindow* parent, std::function<void(bool leave)> answered) {
    // GtkAlertDialog needs GTK 4.10; the message dialog gives the same keys.
    GtkWidget* dialog = gtk_message_dialog_new(
        parent, static_cast<GtkDialogFlags>(GTK_DIALOG_MODAL | GTK_DIALOG_DESTROY_WITH_PARENT),
        GTK_MESSAGE_QUESTION, GTK_BUTTONS_NONE, "%s", kQuestion);
    gtk_dialog_add_button(GTK_DIALOG(dialog), "Stay on Page", GTK_RESPONSE_CANCEL);
    GtkWidget* leave = gtk_dialog_add_button(GTK_DIALOG(dialog), "Leave Page", GTK_RESPONSE_ACCEPT);
    gtk_dialog_set_default_response(GTK_DIALOG(dialog), GTK_RESPONSE_ACCEPT);
    g_signal_connect_data(dialog, "response", G_CALLBACK(on_response),
                          new Waiting{std::move(answered)}, on_dialog_gone, GConnectFlags{});
    gtk_window_present(GTK_WINDOW(dialog));
    // Return answers the default button even though the first button would take the focus.
    gtk_widget_grab_focus(leave);
}

} // namespace corvane::platform::gtk
