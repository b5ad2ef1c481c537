# What the host sends, as the client frames it and its roster takes it.
zirky_fuzzer(fuzz_client_roster zirky_client_core)
