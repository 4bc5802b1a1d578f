# Resources of the library (dialogs, icons, cursor) go into SKIMVUE_RESOURCES.
