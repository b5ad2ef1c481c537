# The settings reader and writer on any bytes a settings file may hold.
zirky_fuzzer(fuzz_app_settings zirky_app)
