// A licence viewer that ends at once, for the launcher test where the viewer
// is gone before the start-up window's closing timer fires.
int main() { return 0; }
