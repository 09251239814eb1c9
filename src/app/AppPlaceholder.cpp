// Keeps the views library non-empty until the application object lands.
