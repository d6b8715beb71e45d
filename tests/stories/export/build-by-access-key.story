# Alt+I presses IZDELAJ.
demo
alt i
