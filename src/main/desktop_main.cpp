// The desktop program of one variant (TX_PRODUCT_VARIANT): a Qt window and real sound devices.
int main() { return 0; }
