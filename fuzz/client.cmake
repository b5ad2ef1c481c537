# What the host sends, as the client frames it and its roster takes it.
zirky_fuzzer(fuzz_client_roster zirky_client_core)
# Everything a host sends, through the whole session and the game model, with
# the player's moves and the clock between the lines.
zirky_fuzzer(fuzz_client_session zirky_client_core)
