// The entry point of the link checks (txl_check_links): the programs are linked, never run.
int main() {
    return 0;
}
