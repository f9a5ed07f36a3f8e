// Replaced as the views land.
