// The activator a module exports for the framework; found by name at registration.
extern "C" {
int _mdx_module_activator_instance_ActivatorProbe = 0;
}
