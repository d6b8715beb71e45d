# Escape closes the window as the close box does: cancelled.
demo
escape
