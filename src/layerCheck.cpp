// Linked with one whole layer of the program; it only has to link.
int main() {
    return 0;
}
