/* The FreeType modules of the browser build: TrueType fonts (the driver, its tables and
 * PostScript glyph names) and the anti-aliasing renderer, all that the page's one font needs.
 * The native library's other drivers and renderers (CFF, Type 1, bitmap fonts, SDF, SVG, the
 * auto-hinter) are left out of the module list, so the link drops their code. */
FT_USE_MODULE(FT_Driver_ClassRec, tt_driver_class)
FT_USE_MODULE(FT_Module_Class, psnames_module_class)
FT_USE_MODULE(FT_Module_Class, sfnt_module_class)
FT_USE_MODULE(FT_Renderer_Class, ft_smooth_renderer_class)
